// Real files written by other programs: every readable one opens with the
// words other readers find in it, every unreadable one is refused with a
// message that says why.
#include "platform/documents/documents.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QRegularExpression>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

using namespace Qt::StringLiterals;
using platform::DocumentFormat;

namespace {

QString corpus(const QString& name)
{
    return QStringLiteral(PARLIVOX_BOOKS_CORPUS "/") + name;
}

QByteArray bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

platform::DocumentRead open(const QString& path)
{
    const QByteArray data = bytes(path);
    return platform::readDocument(data, platform::recogniseDocument(data, path), path, QFont());
}

/// The words of a text, lower-cased, without list markers at line starts
/// and with soft hyphens dropped; tables and line layout do not matter.
std::map<QString, int> words(QString text)
{
    static const QRegularExpression marker(
        u"^[ \\t]*(?:[\\x{2022}\\x{25E6}\\x{25AA}\\-*]|\\d+[.)]|[a-zA-Z][.)]|[ivxlcIVXLC]+[.)])[ \\t]+"_s,
        QRegularExpression::MultilineOption);
    text.replace(QChar(0x2029), u'\n').replace(QChar(0x2028), u'\n').remove(QChar(0x00AD));
    text.replace(marker, QString());
    std::map<QString, int> counts;
    QString word;
    const auto flush = [&] {
        if (!word.isEmpty())
            ++counts[word.toLower()];
        word.clear();
    };
    for (const QChar c : std::as_const(text)) {
        if (c.isLetterOrNumber() || c.isMark())
            word += c;
        else
            flush();
    }
    flush();
    return counts;
}

/// How closely two texts have the same words: twice the words in common
/// over the words of both (1 when both have none).
double wordMatch(const QString& ours, const QString& reference)
{
    const auto a = words(ours), b = words(reference);
    int common = 0, total = 0;
    for (const auto& [word, count] : a) {
        total += count;
        if (const auto it = b.find(word); it != b.end())
            common += std::min(count, it->second);
    }
    for (const auto& [word, count] : b)
        total += count;
    return total == 0 ? 1.0 : 2.0 * common / total;
}

QStringList filesIn(const QString& folder)
{
    return QDir(corpus(folder)).entryList(QDir::Files, QDir::Name);
}

} // namespace

TEST(BooksCorpus, EveryReadableFileOpensWithTheWordsOtherReadersFind)
{
    // Where a file falls short of 0.9 the reason is beside it.
    const std::map<QString, double> floors = {
        // The note's text comes at the end; the reference leaves notes out.
        {u"footnotes.docx"_s, 0.85},
        // The note, and the text of a shape, are read; a tracked deletion
        // ("complex") is not, though the reference shows it.
        {u"testODFwithOOo3.odt"_s, 0.85},
        // The document is a web page embedded in Word's file, which Word
        // shows and we read; the reference's reader shows nothing.
        {u"testAltChunkHTML.docx"_s, 0.0},
    };
    const QStringList files = filesIn(u"pass"_s);
    EXPECT_EQ(files.size(), 31);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const platform::DocumentRead read = open(corpus(u"pass/"_s + name));
        ASSERT_TRUE(read.document) << read.error->codeAndDescription().toStdString();
        const QString text = read.document->toPlainText();
        const double figure =
            wordMatch(text, QString::fromUtf8(bytes(corpus(u"reference/"_s + name + u".txt"_s))));
        std::printf("word match %-36s %.2f\n", qPrintable(name), figure);
        if (qEnvironmentVariableIsSet("PARLIVOX_DUMP"))
            std::printf("----\n%s\n----\n", qPrintable(text));
        const auto floor = floors.find(name);
        EXPECT_GE(figure, floor == floors.end() ? 0.9 : floor->second);
    }
}

// The word match hardly notices a page's menus and footer around a long
// article, or a title read twice: what a listener hears first and last does.
TEST(BooksCorpus, APageIsReadWithoutItsSiteAndABookWithoutItsTitleTwice)
{
    const auto textOf = [](const QString& name) {
        const platform::DocumentRead read = open(corpus(u"pass/"_s + name));
        return read.document ? read.document->toPlainText() : QString();
    };
    const QString page = textOf(u"sphinx-how-it-works.html"_s);
    EXPECT_TRUE(page.startsWith(u"How it works"_s)) << page.left(80).toStdString();
    EXPECT_TRUE(page.endsWith(u"if at all possible."_s)) << page.right(80).toStdString();
    const QString book = textOf(u"novel-title-in-other-words.epub"_s);
    EXPECT_TRUE(book.startsWith(u"PRIDE & PREJUDICE\nChapter I\n"_s))
        << book.left(80).toStdString();
}

TEST(BooksCorpus, EveryUnreadableFileIsRefusedSayingWhy)
{
    const std::map<QString, QString> reasons = {
        {u"testODTnotaZipFile.odt"_s, u"is not an OpenDocument text"_s},
        {u"testODTEncrypted.odt"_s, u"protected by a password"_s},
        {u"protected_normal_case.docx"_s, u"protected by a password"_s},
        {u"testUnicodePassword.pdf"_s, u"protected by a password"_s},
        {u"testPassword4Spaces.pdf"_s, u"protected by a password"_s},
    };
    const QStringList files = filesIn(u"fail"_s);
    EXPECT_EQ(files.size(), int(reasons.size()));
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const platform::DocumentRead read = open(corpus(u"fail/"_s + name));
        ASSERT_FALSE(read.document);
        ASSERT_TRUE(read.error);
        EXPECT_TRUE(read.error->description().contains(reasons.at(name)))
            << read.error->codeAndDescription().toStdString();
        EXPECT_TRUE(read.error->description().contains(name));
    }
}
