// Pictures and scanned pages read aloud: what recognition finds on pages of
// known text, which pages it reads, and how it refuses what it cannot read.
#include "platform/documents/filereading.h"
#include "platform/ocr/languages.h"
#include "platform/ocr/textrecognition.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>

using namespace Qt::StringLiterals;
using platform::DocumentFormat;

namespace {

QString corpus(const QString& name)
{
    return QStringLiteral(PARLIVOX_SCANNED_CORPUS "/") + name;
}

QString textOf(const QString& name)
{
    QFile file(corpus(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList words(const QString& text)
{
    QStringList result;
    QString word;
    const QString padded = text + u' ';
    for (const QChar c : padded) {
        if (c.isLetterOrNumber()) {
            word += c.toLower();
        } else if (!word.isEmpty()) {
            result.push_back(word);
            word.clear();
        }
    }
    return result;
}

/// The share of the reference's words found, in order (their longest
/// common run over the reference's length): words read wrongly, left out
/// or out of order all count against it.
double wordMatch(const QString& ours, const QString& reference)
{
    const QStringList a = words(ours), b = words(reference);
    std::vector<int> previous(std::size_t(b.size()) + 1), row(previous.size());
    for (const QString& word : a) {
        for (qsizetype j = 0; j < b.size(); ++j)
            row[std::size_t(j) + 1] =
                word == b[j] ? previous[std::size_t(j)] + 1
                             : std::max(previous[std::size_t(j) + 1], row[std::size_t(j)]);
        std::swap(previous, row);
    }
    return b.isEmpty() ? 1.0 : double(previous.back()) / double(b.size());
}

platform::LoadedFile read(const QString& path, platform::TextRecognition* recognition)
{
    return platform::readFile(path, QFont(), nullptr, {recognition, u"en-GB"_s});
}

QString plainText(const platform::LoadedFile& file)
{
    return file.document ? file.document->toPlainText() : QString();
}

double reportMatch(const QString& name, const QString& ours, const QString& reference)
{
    const double figure = wordMatch(ours, reference);
    std::printf("word match %-22s %.3f\n", qPrintable(name), figure);
    return figure;
}

/// Engines of their own for each test: Tesseract's caches end with the
/// program, before anything static of ours would.
class Recognition : public ::testing::Test {
protected:
    platform::ocr::TesseractRecognition engine{platform::ocr::defaultDataPath()};
};

} // namespace

TEST_F(Recognition, APageDrawnFromKnownTextIsReadWordForWord)
{
    const QString text = u"The quick brown fox jumps over the lazy dog near the quiet river bank.\n"
                         u"Seven bright lanterns hung above the old stone bridge that evening.\n"
                         u"Nobody in the village could remember a warmer night in autumn."_s;
    QImage page(2480, 1200, QImage::Format_Grayscale8); // 300 dpi, a third of a page
    page.fill(Qt::white);
    page.setDotsPerMeterX(11811);
    page.setDotsPerMeterY(11811);
    {
        QPainter painter(&page);
        QFont font(u"DejaVu Serif"_s);
        font.setPixelSize(50); // 12 points at 300 dpi
        painter.setFont(font);
        painter.drawText(QRect(200, 200, 2100, 900), Qt::TextWordWrap, text);
    }
    const QTemporaryDir folder;
    const QString path = folder.filePath(u"drawn.png"_s);
    ASSERT_TRUE(page.save(path));

    const platform::LoadedFile file = read(path, &engine);
    ASSERT_TRUE(file.document) << file.refused->codeAndDescription().toStdString();
    EXPECT_EQ(file.format, DocumentFormat::Picture);
    EXPECT_GE(reportMatch(u"drawn.png"_s, plainText(file), text), 0.95);
    ASSERT_TRUE(file.recognition);
    EXPECT_EQ(file.recognition->pages, 1);
    EXPECT_GE(file.recognition->meanConfidence, 80);
}

TEST_F(Recognition, ScannedPicturesAreReadWhateverWayTheyLie)
{
    const struct {
        QString file;
        QString reference;
        double floor;
        int pages;
    } cases[] = {
        // noisy, blurred, turned a little, JPEG
        {u"scanned-letter.jpg"_s, textOf(u"letter.txt"_s), 0.90, 1},
        // turned a quarter, or upside down: the orientation data puts it upright
        {u"sideways-letter.png"_s, textOf(u"letter.txt"_s), 0.90, 1},
        {u"upside-down-letter.png"_s, textOf(u"letter.txt"_s), 0.90, 1},
        // every page of a TIFF, in order
        {u"book-pages.tif"_s, textOf(u"page1.txt"_s) + textOf(u"page2.txt"_s), 0.95, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        const platform::LoadedFile file = read(corpus(c.file), &engine);
        ASSERT_TRUE(file.document) << file.refused->codeAndDescription().toStdString();
        EXPECT_EQ(file.format, DocumentFormat::Picture);
        EXPECT_GE(reportMatch(c.file, plainText(file), c.reference), c.floor);
        ASSERT_TRUE(file.recognition);
        EXPECT_EQ(file.recognition->pages, c.pages);
        // A paragraph's lines are joined however askew the page: the last
        // line of the letter's first paragraph holds one short word.
        if (c.file.contains(u"letter"_s)) {
            EXPECT_TRUE(plainText(file).contains(u"in error during February."_s));
        }
    }
}

TEST_F(Recognition, OnlyThePagesOfAPdfWithoutTextAreRecognised)
{
    const platform::LoadedFile file = read(corpus(u"mixed-pages.pdf"_s), &engine);
    ASSERT_TRUE(file.document) << file.refused->codeAndDescription().toStdString();
    EXPECT_EQ(file.format, DocumentFormat::ScannedPdf);
    ASSERT_TRUE(file.recognition);
    EXPECT_EQ(file.recognition->pages, 1); // the second: the others have their text
    EXPECT_TRUE(file.recognition->hard.empty());
    const QString reference =
        textOf(u"page1.txt"_s) + textOf(u"page2.txt"_s) + textOf(u"letter.txt"_s);
    EXPECT_GE(reportMatch(u"mixed-pages.pdf"_s, plainText(file), reference), 0.95);

    // Without recognition the same file opens as before, its scanned page empty.
    const platform::LoadedFile plain = read(corpus(u"mixed-pages.pdf"_s), nullptr);
    ASSERT_TRUE(plain.document);
    EXPECT_EQ(plain.format, DocumentFormat::Pdf);
    EXPECT_FALSE(plain.recognition);
    EXPECT_FALSE(plainText(plain).contains(u"railway"_s));
}

TEST(RecognitionCancel, CancelEndsTheReadingWithoutADocument)
{
    platform::ocr::TesseractRecognition recognition(platform::ocr::defaultDataPath());
    platform::FileReading reading(corpus(u"scanned-book.pdf"_s), QFont(), nullptr,
                                  {&recognition, u"en"_s});
    while (!reading.progress().text().startsWith(u"Recognising page"_s) && !reading.isDone())
        QThread::msleep(5);
    reading.progress().cancel();
    while (!reading.isDone())
        QThread::msleep(5);
    const platform::LoadedFile file = reading.take();
    EXPECT_FALSE(file.document);
    ASSERT_TRUE(file.refused);
    EXPECT_EQ(file.refused->number(), platform::err::Cancel);
}

TEST_F(Recognition, BadPicturesAndMissingDataAreRefusedSayingWhy)
{
    const QTemporaryDir folder;
    // A JPEG cut off after its header
    QFile letter(corpus(u"scanned-letter.jpg"_s));
    ASSERT_TRUE(letter.open(QIODevice::ReadOnly));
    QFile cut(folder.filePath(u"cut.jpg"_s));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(letter.read(600));
    cut.close();
    // Text under a picture's name
    QFile fake(folder.filePath(u"notes.png"_s));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("Shopping list: bread, milk\n");
    fake.close();
    // 110 million pixels, a few kilobytes on disk
    QImage huge(11000, 10000, QImage::Format_Mono);
    huge.fill(1);
    ASSERT_TRUE(huge.save(folder.filePath(u"huge.png"_s)));

    const struct {
        QString file;
        int number;
        QString says;
    } cases[] = {
        {u"cut.jpg"_s, platform::err::BadFileFormat, u"damaged or incomplete"_s},
        {u"notes.png"_s, platform::err::BadFileFormat, u"damaged or incomplete"_s},
        {u"huge.png"_s, platform::err::OutOfMemory, u"more than 100 million pixels"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        const platform::LoadedFile file = read(folder.filePath(c.file), &engine);
        EXPECT_FALSE(file.document);
        ASSERT_TRUE(file.refused);
        EXPECT_EQ(file.refused->number(), c.number);
        EXPECT_TRUE(file.refused->description().contains(c.says))
            << file.refused->description().toStdString();
        EXPECT_TRUE(file.refused->description().contains(c.file));
    }

    // No language data at all: the message names the package to install.
    platform::ocr::TesseractRecognition bare(folder.filePath(u"no-data"_s));
    const platform::LoadedFile file = read(corpus(u"book-pages.tif"_s), &bare);
    ASSERT_TRUE(file.refused);
    EXPECT_TRUE(file.refused->description().contains(u"apt install tesseract-ocr-eng"_s))
        << file.refused->description().toStdString();
}

TEST(RecognitionLanguage, TheVoicesLanguageIsReadWhenItsDataIsInstalled)
{
    const QTemporaryDir folder;
    for (const char* name : {"eng.traineddata", "deu.traineddata", "osd.traineddata"}) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const platform::ocr::TesseractRecognition recognition(folder.path());
    EXPECT_EQ(recognition.languageFor(u"gmw/de"_s), u"deu"_s);
    EXPECT_EQ(recognition.languageFor(u"de-CH"_s), u"deu"_s);
    EXPECT_EQ(recognition.languageFor(u"roa/fr"_s), u"eng"_s); // not installed
    EXPECT_EQ(recognition.languageFor(QString()), u"eng"_s);
    EXPECT_EQ(platform::ocr::installedLanguages(folder.path()), (QStringList{u"deu"_s, u"eng"_s}));
}

TEST(RecognitionStatus, TheStatusNamesThePagesHardToRead)
{
    std::vector<platform::RecognisedPage> pages(4);
    pages[0].confidence = 91;
    pages[1].confidence = 40;
    pages[2].confidence = 95;
    pages[3].confidence = 50;
    const auto summary = platform::summarise(pages, {3, 4, 8, 9});
    EXPECT_EQ(platform::summaryText(summary),
              u"4 pages recognised, confidence 69%; pages 4 and 9 were hard to read"_s);
    pages.resize(1);
    EXPECT_EQ(platform::summaryText(platform::summarise(pages, {1})),
              u"1 page recognised, confidence 91%"_s);
}
