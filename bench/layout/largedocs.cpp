#include "largedocs.h"

#include "prose.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace bench {
namespace {

bool write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

/// Chapters of a novel as plain text, one paragraph a line, to size bytes.
QByteArray proseText(qsizetype size, unsigned seed)
{
    const Novel novel = writeNovel(int(size / 30000) + 1, 5000, seed);
    QString text = novel.title + u'\n';
    for (std::size_t c = 0; c < novel.chapters.size() && text.size() < size; ++c) {
        text += u'\n' + novel.chapterTitles[qsizetype(c)] + QStringLiteral("\n\n");
        for (const QString& paragraph : novel.chapters[c]) {
            text += paragraph + u'\n';
            if (text.size() >= size)
                break;
        }
    }
    text += QStringLiteral("At last the word was ") + lastWord +
            QStringLiteral(", and the book was closed.\n");
    return text.toUtf8();
}

/// An RTF document with its last paragraph added: the whole of full or its
/// first paragraphs up to size bytes.
QByteArray rtfWithLastWord(const QByteArray& full, qsizetype size)
{
    qsizetype end = full.lastIndexOf('}');
    if (size < full.size()) {
        const qsizetype cut = full.indexOf("\\par\r\n", size);
        if (cut > 0)
            end = cut + 6;
    }
    return full.left(end) + "\\pard\\ql At last the word was " + lastWord.toLatin1() +
           ", and the book was closed.\\par\r\n}";
}

} // namespace

bool writeLargeDocuments(const QString& dir, const QString& rtfBench, LargeDocuments& out)
{
    const QDir folder(dir);
    out.text10 = folder.filePath(QStringLiteral("prose-10mb.txt"));
    out.text2 = folder.filePath(QStringLiteral("prose-2mb.txt"));
    out.rtf10 = folder.filePath(QStringLiteral("formatted-10mb.rtf"));
    out.rtf2 = folder.filePath(QStringLiteral("formatted-2mb.rtf"));
    const QString written = folder.filePath(QStringLiteral("rtf"));
    if (!folder.mkpath(written) ||
        QProcess::execute(rtfBench, {QStringLiteral("--write"), written}) != 0)
        return false;
    QFile rtf(QDir(written).filePath(QStringLiteral("large.rtf")));
    if (!rtf.open(QIODevice::ReadOnly))
        return false;
    const QByteArray full = rtf.readAll();
    return write(out.text10, proseText(10 * 1000 * 1000, 17)) &&
           write(out.text2, proseText(2 * 1000 * 1000, 19)) &&
           write(out.rtf10, rtfWithLastWord(full, full.size())) &&
           write(out.rtf2, rtfWithLastWord(full, 2 * 1000 * 1000));
}

} // namespace bench
