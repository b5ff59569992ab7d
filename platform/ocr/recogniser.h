#pragma once

#include "platform/documents/readprogress.h"
#include "platform/documents/recognition.h"
#include "platform/ocr/pix.h"

#include <QString>

#include <atomic>
#include <memory>

namespace tesseract {
class TessBaseAPI;
}

namespace platform::ocr {

/// Why recognition stops early: a worker failed, or the user cancelled.
struct StopSignal {
    std::atomic<bool> failed{false};
    ReadProgress* progress = nullptr;
    bool requested() const
    {
        return failed.load(std::memory_order_relaxed) || (progress && progress->cancelled());
    }
};

/// One engine of Tesseract's, for one thread at a time: its LSTM engine in
/// one language with automatic page segmentation, and, when the
/// orientation data is installed, the detection of pages scanned sideways
/// or upside down.
class Recogniser {
public:
    /// Throws platform::Error naming the package to install when the data
    /// of language (Tesseract's name, "eng") is not in dataPath.
    Recogniser(const QString& dataPath, const QString& language);
    ~Recogniser();
    Recogniser(const Recogniser&) = delete;
    Recogniser& operator=(const Recogniser&) = delete;

    const QString& language() const { return m_language; }
    /// The lines of an 8-bit grey picture of a page at resolution dots per
    /// inch (0: unknown). A page that reads badly is looked at for its
    /// orientation and, when turned, read again the right way up. Stops
    /// early, with what it has, once stop is requested.
    RecognisedPage recognise(Pix* page, int resolution, const StopSignal& stop);

private:
    RecognisedPage read(Pix* page, int resolution, const StopSignal& stop);
    /// Quarter turns clockwise that put page upright; 0 when unknown.
    int uprightTurns(Pix* page, int resolution);

    QString m_language;
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
    std::unique_ptr<tesseract::TessBaseAPI> m_orientation; ///< null without its data
};

} // namespace platform::ocr
