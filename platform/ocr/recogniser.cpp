// Tesseract's recognition of one page at a time.
#include "platform/ocr/recogniser.h"

#include "platform/error.h"
#include "platform/ocr/languages.h"

#include <QFile>

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

namespace platform::ocr {
namespace {

/// A page that reads this badly may be lying sideways.
constexpr int doubtfulConfidence = 60;
/// Tesseract's orientation guess counts from this confidence on.
constexpr float sureOrientation = 2.0F;

bool hasData(const QString& dataPath, const QString& language)
{
    return QFile::exists(dataPath + u'/' + language + QStringLiteral(".traineddata"));
}

Error missingData(const QString& language)
{
    return Error(err::EngineUnavailable,
                 QStringLiteral("Text recognition is not available: the language data \"%1\" "
                                "is not installed. Install it with: apt install %2")
                     .arg(language, packageOf(language)));
}

bool stopRequested(void* stop, int)
{
    return static_cast<const StopSignal*>(stop)->requested();
}

QString takeText(char* text)
{
    const std::unique_ptr<char[]> owned(text);
    return owned ? QString::fromUtf8(owned.get()).trimmed() : QString();
}

/// Where a line lies, as the rules that make paragraphs of lines expect it:
/// its height that of its font, whatever letters it holds, and its place
/// that of its start. On a page scanned a little askew the box around a
/// long line is taller than that of a short one; the baseline at the line's
/// start and the row's height are not.
QRectF lineBox(const tesseract::ResultIterator& line)
{
    int left = 0, top = 0, right = 0, bottom = 0;
    line.BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom);
    const QRectF box(left, top, right - left, bottom - top);
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    float height = 0, descenders = 0, ascenders = 0;
    line.RowAttributes(&height, &descenders, &ascenders);
    if (!line.Baseline(tesseract::RIL_TEXTLINE, &x1, &y1, &x2, &y2) || x2 == x1 || height <= 0 ||
        height > 2 * box.height())
        return box;
    const double baseline = y1 + double(left - x1) * (y2 - y1) / (x2 - x1);
    // descenders are negative: below the baseline
    return QRectF(left, baseline - (height + descenders), right - left, height);
}

} // namespace

Recogniser::Recogniser(const QString& dataPath, const QString& language)
    : m_language(language), m_api(std::make_unique<tesseract::TessBaseAPI>())
{
    if (!hasData(dataPath, language))
        throw missingData(language);
    const QByteArray path = QFile::encodeName(dataPath);
    if (m_api->Init(path.constData(), language.toUtf8().constData(), tesseract::OEM_LSTM_ONLY) != 0)
        throw missingData(language);
    m_api->SetPageSegMode(tesseract::PSM_AUTO);
    // Text printed light on dark is rare on a scanned page; looking for it
    // on every line that reads badly costs a third of the time.
    m_api->SetVariable("tessedit_do_invert", "0");
    if (hasData(dataPath, QStringLiteral("osd"))) {
        m_orientation = std::make_unique<tesseract::TessBaseAPI>();
        if (m_orientation->Init(path.constData(), "osd", tesseract::OEM_TESSERACT_ONLY) == 0)
            m_orientation->SetPageSegMode(tesseract::PSM_OSD_ONLY);
        else
            m_orientation.reset();
    }
}

Recogniser::~Recogniser() = default;

RecognisedPage Recogniser::recognise(Pix* page, int resolution, const StopSignal& stop)
{
    RecognisedPage result = read(page, resolution, stop);
    if (result.confidence >= doubtfulConfidence || !m_orientation || stop.requested())
        return result;
    const int turns = uprightTurns(page, resolution);
    if (turns == 0)
        return result;
    const PixHolder upright(pixRotateOrth(page, turns));
    if (!upright)
        return result;
    RecognisedPage turned = read(upright.get(), resolution, stop);
    return turned.confidence > result.confidence ? turned : result;
}

RecognisedPage Recogniser::read(Pix* page, int resolution, const StopSignal& stop)
{
    RecognisedPage result;
    m_api->SetImage(page);
    m_api->SetSourceResolution(resolution > 0 ? resolution : 300);
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = stopRequested;
    monitor.cancel_this = const_cast<StopSignal*>(&stop);
    if (m_api->Recognize(&monitor) != 0 || stop.requested()) {
        m_api->Clear();
        return result;
    }
    const std::unique_ptr<tesseract::ResultIterator> line(m_api->GetIterator());
    if (line) {
        do {
            if (line->Empty(tesseract::RIL_TEXTLINE))
                continue;
            QString text = takeText(line->GetUTF8Text(tesseract::RIL_TEXTLINE));
            if (!text.isEmpty())
                result.lines.push_back({std::move(text), lineBox(*line)});
        } while (line->Next(tesseract::RIL_TEXTLINE));
    }
    result.confidence = result.lines.empty() ? 0 : m_api->MeanTextConf();
    m_api->Clear();
    return result;
}

int Recogniser::uprightTurns(Pix* page, int resolution)
{
    m_orientation->SetImage(page);
    m_orientation->SetSourceResolution(resolution > 0 ? resolution : 300);
    int degrees = 0;
    float confidence = 0;
    const char* script = nullptr;
    float scriptConfidence = 0;
    const bool found =
        m_orientation->DetectOrientationScript(&degrees, &confidence, &script, &scriptConfidence);
    m_orientation->Clear();
    if (!found || confidence < sureOrientation)
        return 0;
    // The page lies turned by degrees clockwise: it is turned back.
    return ((360 - degrees) / 90) % 4;
}

} // namespace platform::ocr
