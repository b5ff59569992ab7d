#pragma once

#include "platform/documents/recognition.h"

#include <QString>

#include <memory>
#include <mutex>
#include <vector>

namespace platform::ocr {

class Recogniser;

/// Text recognition through Tesseract: a page per core at once, each
/// worker with an engine of its own, kept between readings for the next
/// file in the same language.
class TesseractRecognition final : public TextRecognition {
public:
    /// dataPath: the folder of the language data (defaultDataPath() but for tests).
    explicit TesseractRecognition(QString dataPath);
    ~TesseractRecognition() override;

    const QString& dataPath() const { return m_dataPath; }
    /// Tesseract's name of the language a voice's language is read in: its
    /// own when installed, else English.
    QString languageFor(const QString& voiceLanguage) const;

    int workers() const override { return m_workers; }
    std::vector<RecognisedPage> recognise(int count, const PagePictures& pictures,
                                          const QString& language, ReadProgress* progress) override;
    std::vector<RecognisedPage> recognisePictures(QByteArray data, const QString& fileName,
                                                  const QString& language,
                                                  ReadProgress* progress) override;

private:
    template <typename Picture>
    std::vector<RecognisedPage> run(int count, const Picture& picture, const QString& language,
                                    ReadProgress* progress);
    std::unique_ptr<Recogniser> takeEngine(const QString& language);
    void giveBack(std::unique_ptr<Recogniser> engine);

    QString m_dataPath;
    int m_workers;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Recogniser>> m_idle;
};

} // namespace platform::ocr
