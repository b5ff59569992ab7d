// Pictures of pages (a scan, a photograph, a multi-page TIFF) read through
// text recognition, and what recognition found, for the status bar.
#include "platform/documents/builder.h"
#include "platform/documents/errors.h"
#include "platform/documents/pdfscan.h"
#include "platform/documents/readers.h"
#include "platform/error.h"

#include <QStringList>

#include <numeric>

namespace platform {

RecognitionSummary summarise(const std::vector<RecognisedPage>& pages,
                             const std::vector<int>& numbers)
{
    RecognitionSummary summary;
    summary.pages = int(pages.size());
    if (pages.empty())
        return summary;
    int total = 0;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const int confidence = std::max(pages[i].confidence, 0);
        total += confidence;
        if (confidence < hardToReadConfidence && i < numbers.size())
            summary.hard.push_back(numbers[i]);
    }
    summary.meanConfidence = total / summary.pages;
    return summary;
}

QString summaryText(const RecognitionSummary& summary)
{
    QString text = summary.pages == 1 ? QStringLiteral("1 page recognised")
                                      : QStringLiteral("%1 pages recognised").arg(summary.pages);
    text += QStringLiteral(", confidence %1%").arg(summary.meanConfidence);
    if (summary.hard.empty())
        return text;
    QStringList numbers;
    for (const int page : summary.hard)
        numbers.push_back(QString::number(page));
    const QString last = numbers.takeLast();
    const QString named = numbers.isEmpty()
                              ? last
                              : numbers.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
    text += summary.hard.size() == 1 ? QStringLiteral("; page %1 was hard to read").arg(named)
                                     : QStringLiteral("; pages %1 were hard to read").arg(named);
    return text;
}

namespace documents {

QString kindPicture()
{
    return QStringLiteral("picture");
}

void readPicture(QByteArray data, const QString& fileName, DocumentBuilder& out)
{
    const RecognitionRequest& request = out.recognition();
    if (!request.engine)
        throw Error(err::BadFileFormat,
                    QStringLiteral("Invalid file format: the picture \"%1\" can only be read with "
                                   "text recognition.")
                        .arg(fileName));
    const std::vector<RecognisedPage> recognised = request.engine->recognisePictures(
        std::move(data), fileName, request.language, out.progress());
    std::vector<pdf::Page> pages;
    std::vector<RecognisedPage> kept;
    std::vector<int> numbers;
    for (std::size_t i = 0; i < recognised.size(); ++i) {
        pages.push_back(pdf::pageOf(recognised[i]));
        if (recognised[i].confidence >= 0) {
            kept.push_back(recognised[i]);
            numbers.push_back(int(i) + 1);
        }
    }
    if (kept.empty())
        throw damaged(fileName, kindPicture(), QStringLiteral("it could not be decoded"));
    pdf::removeRunningLines(pages);
    pdf::writeBlocks(pdf::blocks(std::move(pages)), out);
    out.setRecognised(summarise(kept, numbers));
}

} // namespace documents
} // namespace platform
