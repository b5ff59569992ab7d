#pragma once

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QString>

#include <functional>
#include <vector>

namespace platform {

class ReadProgress;

/// One line of text found on a picture of a page, in reading order.
struct RecognisedLine {
    QString text;
    QRectF box; ///< in the picture's pixels
};

/// The text found on one page.
struct RecognisedPage {
    std::vector<RecognisedLine> lines;
    /// The recogniser's mean, 0 to 100; -1 when nothing was recognised (the
    /// picture could not be decoded, the page is blank).
    int confidence = -1;
};

/// Gives the picture of a page (by index) to the worker (by index) that
/// recognises it; every worker calls it on its own thread, so each keeps
/// what it needs to draw a page (a PDF document) for itself. A null image
/// is a page that cannot be drawn: it is recognised as empty.
using PagePictures = std::function<QImage(int page, int worker)>;

/// Text recognition of pictures of pages, for the readers of pictures and
/// of PDF pages without text. The readers know it only through this, so that
/// what does not recognise (a fuzzer, a test of the layout) does not carry
/// the engine.
class TextRecognition {
public:
    TextRecognition() = default;
    TextRecognition(const TextRecognition&) = delete;
    TextRecognition& operator=(const TextRecognition&) = delete;
    virtual ~TextRecognition() = default;

    /// How many pages are recognised at once (the workers of recognise).
    virtual int workers() const = 0;
    /// Recognises count pages in the language of language (a voice's
    /// language such as "de" or "en-GB"; English when its data is not
    /// installed), in page order. Reports "Recognising page 3 of 40" to
    /// progress and throws err::Cancel once it is cancelled; throws
    /// platform::Error when the recogniser cannot start (its data missing).
    virtual std::vector<RecognisedPage> recognise(int count, const PagePictures& pictures,
                                                  const QString& language,
                                                  ReadProgress* progress) = 0;
    /// Recognises the pictures of a picture file (a scan, a photograph,
    /// every page of a TIFF) as recognise does. Throws the refusal of a
    /// picture that cannot be decoded or is too large (fileName names it).
    virtual std::vector<RecognisedPage> recognisePictures(QByteArray data, const QString& fileName,
                                                          const QString& language,
                                                          ReadProgress* progress) = 0;
};

/// What recognition found, for the status bar.
struct RecognitionSummary {
    int pages = 0;          ///< pages recognised
    int meanConfidence = 0; ///< over those pages, 0 to 100
    std::vector<int> hard;  ///< 1-based numbers of the pages hard to read
};

/// Pages under this confidence are named as hard to read.
inline constexpr int hardToReadConfidence = 70;

/// The summary of pages recognised; numbers holds their page numbers (1-based).
RecognitionSummary summarise(const std::vector<RecognisedPage>& pages,
                             const std::vector<int>& numbers);
/// "3 pages recognised, confidence 91%; pages 4 and 9 were hard to read"
QString summaryText(const RecognitionSummary& summary);

/// What a reading asks of recognition: the engine (none: pictures and
/// scanned pages are refused as needing it) and the voice's language.
struct RecognitionRequest {
    TextRecognition* engine = nullptr;
    QString language;
};

} // namespace platform
