// Loading and saving through the editor widget: format by content, errors
// that leave everything as it was, saves that never damage the old file.
#include "platform/error.h"
#include "platform/richtextbox/richtextbox.h"

#include "failing_writes.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using platform::RichTextBox;

namespace {

class RichTextFiles : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    void write(const QString& name, const QByteArray& data) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }

    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList leftovers() const
    {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    /// The error number a call raised, or 0.
    template <typename F> static int errorOf(F&& call)
    {
        try {
            call();
        } catch (const platform::Error& error) {
            return error.number();
        }
        return 0;
    }

    QTemporaryDir m_dir;
    RichTextBox box;
};

} // namespace

TEST_F(RichTextFiles, TheContentNotTheExtensionChoosesTheFormat)
{
    write(u"looks.txt"_s, "  \r\n{\\rtf1 {\\b bold} text}");
    box.setFileName(path(u"looks.txt"_s));
    EXPECT_EQ(box.Text(), u"bold text"_s);
    EXPECT_EQ(box.FileName(), path(u"looks.txt"_s));
    box.setSelStart(1);
    EXPECT_EQ(box.SelBold(), std::optional<bool>(true));

    write(u"plain.RTF"_s, "not {\\rtf1 at the start\r\nsecond");
    box.setFileName(path(u"plain.RTF"_s));
    EXPECT_EQ(box.Text(), u"not {\\rtf1 at the start\r\nsecond"_s);
}

// Word, OpenDocument, book, web-page and PDF files open formatted whatever
// their names say; markup in a ".txt" stays text; a refused file raises with
// its reason and leaves the editor as it was.
TEST_F(RichTextFiles, DocumentsAndBooksOpenByContentAndARefusalChangesNothing)
{
    const QString books = QStringLiteral(PARLIVOX_BOOKS_CORPUS);
    QFile::copy(books + u"/pass/testWORD.docx"_s, path(u"report.odt"_s));
    box.setFileName(path(u"report.odt"_s));
    EXPECT_EQ(box.LoadedFormat(), platform::DocumentFormat::Docx);
    EXPECT_TRUE(box.Text().startsWith(u"Sample Word Document"_s));
    EXPECT_EQ(box.FileName(), path(u"report.odt"_s));

    write(u"page.txt"_s, "<html><body><b>bold</b></body></html>");
    box.setFileName(path(u"page.txt"_s));
    EXPECT_EQ(box.LoadedFormat(), platform::DocumentFormat::None);
    EXPECT_EQ(box.Text(), u"<html><body><b>bold</b></body></html>"_s);

    QSignalSpy changes(&box, &RichTextBox::Change);
    try {
        box.setFileName(books + u"/fail/testPassword4Spaces.pdf"_s);
        ADD_FAILURE() << "a locked PDF opened";
    } catch (const platform::Error& error) {
        EXPECT_EQ(error.number(), 70);
        EXPECT_TRUE(error.description().contains(u"password"_s));
    }
    EXPECT_EQ(box.Text(), u"<html><body><b>bold</b></body></html>"_s);
    EXPECT_EQ(box.FileName(), path(u"page.txt"_s));
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(RichTextFiles, ALoadedDocumentTakesTheEditorsFontAndFiresChangeOnce)
{
    box.document()->setDefaultFont(QFont(u"DejaVu Serif"_s, 14));
    write(u"a.rtf"_s, "{\\rtf1 no font table}");
    QSignalSpy changes(&box, &RichTextBox::Change);
    box.setFileName(path(u"a.rtf"_s));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(box.document()->defaultFont().family(), u"DejaVu Serif"_s);
    box.setSelStart(2);
    EXPECT_EQ(box.SelFontName(), std::optional<QString>(u"DejaVu Serif"_s));
    EXPECT_FALSE(box.document()->isUndoAvailable()); // loading is not an edit
}

TEST_F(RichTextFiles, AnUnreadableFileRaisesAndLeavesTheEditorAlone)
{
    write(u"old.txt"_s, "old text");
    box.setFileName(path(u"old.txt"_s));
    QSignalSpy changes(&box, &RichTextBox::Change);

    EXPECT_EQ(errorOf([&] { box.setFileName(path(u"missing.rtf"_s)); }), 53);
    EXPECT_EQ(errorOf([&] { box.setFileName(path(u"no/such/dir.rtf"_s)); }), 53);
    EXPECT_EQ(errorOf([&] { box.setFileName(m_dir.path()); }), 75);
    write(u"file"_s, "x");
    EXPECT_EQ(errorOf([&] { box.setFileName(path(u"file/below.rtf"_s)); }), 76);
    write(u"secret.rtf"_s, "{\\rtf1 secret}");
    chmod(QFile::encodeName(path(u"secret.rtf"_s)).constData(), 0);
    chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    {
        const Unprivileged user;
        if (user.active()) {
            EXPECT_EQ(errorOf([&] { box.setFileName(path(u"secret.rtf"_s)); }), 70);
        }
    }
    EXPECT_EQ(box.Text(), u"old text"_s);
    EXPECT_EQ(box.FileName(), path(u"old.txt"_s));
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(RichTextFiles, AnEmptyNameLoadsNothing)
{
    box.setText(u"kept"_s);
    box.setFileName(QString());
    EXPECT_EQ(box.Text(), u"kept"_s);
    EXPECT_EQ(box.FileName(), QString());
}

TEST_F(RichTextFiles, RtfSavedAndLoadedKeepsTextAndFormatting)
{
    box.setText(u"Title\r\nBody with ünïcödé and {braces}"_s);
    box.setSelStart(0);
    box.setSelLength(5);
    box.setSelBold(true);
    box.setSelFontSize(20);
    box.setSelAlignment(RichTextBox::rtfCenter);
    box.setSelStart(7);
    box.setSelLength(4);
    box.setSelColor(QColor(0, 128, 0));
    box.setSelFontName(u"Liberation Mono"_s);
    box.SaveFile(path(u"doc.rtf"_s), RichTextBox::rtfRTF);
    EXPECT_TRUE(read(u"doc.rtf"_s).startsWith("{\\rtf1\\ansi"));

    RichTextBox copy;
    copy.setFileName(path(u"doc.rtf"_s));
    EXPECT_EQ(copy.Text(), box.Text());
    copy.setSelStart(0);
    copy.setSelLength(5);
    EXPECT_EQ(copy.SelBold(), std::optional<bool>(true));
    EXPECT_EQ(copy.SelFontSize(), std::optional<double>(20));
    EXPECT_EQ(copy.document()->firstBlock().blockFormat().alignment() & Qt::AlignHCenter,
              Qt::AlignHCenter);
    copy.setSelStart(7);
    copy.setSelLength(4);
    EXPECT_EQ(copy.SelFontName(), std::optional<QString>(u"Liberation Mono"_s));
    EXPECT_EQ(copy.textCursor().charFormat().foreground().color(), QColor(0, 128, 0));
    copy.setSelStart(12);
    copy.setSelLength(4);
    EXPECT_EQ(copy.SelBold(), std::optional<bool>(false));
}

TEST_F(RichTextFiles, TextIsSavedAsUtf8WithLfAndReadBackInEveryEncoding)
{
    const QString text = u"Grüße € 中文 😀\r\nsecond line\r\n\r\nlast"_s;
    box.setText(text);
    box.SaveFile(path(u"out.txt"_s), RichTextBox::rtfText);
    EXPECT_EQ(read(u"out.txt"_s), u"Grüße € 中文 😀\nsecond line\n\nlast"_s.toUtf8());

    const QString lf = u"Grüße € 中文 😀\nsecond line\n\nlast"_s;
    const QByteArray le = QByteArray("\xFF\xFE", 2) +
                          QByteArray(reinterpret_cast<const char*>(lf.utf16()), lf.size() * 2);
    const std::pair<const char*, QByteArray> files[] = {
        {"utf8.txt", lf.toUtf8()},
        {"bom.txt", "\xEF\xBB\xBF" + lf.toUtf8()},
        {"utf16.txt", le},
        {"crlf.txt", text.toUtf8()},
        {"cr.txt", u"Grüße € 中文 😀\rsecond line\r\rlast"_s.toUtf8()}};
    for (const auto& [name, data] : files) {
        SCOPED_TRACE(name);
        write(QString::fromLatin1(name), data);
        RichTextBox copy;
        copy.setFileName(path(QString::fromLatin1(name)));
        EXPECT_EQ(copy.Text(), text);
    }
    write(u"ansi.txt"_s, "Gr\xFC\xDF"
                         "e \x80\r\nx");
    box.setFileName(path(u"ansi.txt"_s));
    EXPECT_EQ(box.Text(), u"Grüße €\r\nx"_s);
}

TEST_F(RichTextFiles, SavingReplacesTheFileAndKeepsItsPermissions)
{
    write(u"doc.txt"_s, "previous content that is longer than the new one");
    chmod(QFile::encodeName(path(u"doc.txt"_s)).constData(), 0640);
    box.setText(u"new"_s);
    box.SaveFile(path(u"doc.txt"_s), RichTextBox::rtfText);
    EXPECT_EQ(read(u"doc.txt"_s), "new");
    struct stat info {};
    stat(QFile::encodeName(path(u"doc.txt"_s)).constData(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(leftovers(), QStringList{u"doc.txt"_s});
}

TEST_F(RichTextFiles, SavingThroughALinkWritesTheFileItNames)
{
    write(u"target.txt"_s, "old");
    ASSERT_TRUE(QFile::link(path(u"target.txt"_s), path(u"link.txt"_s)));
    box.setText(u"through the link"_s);
    box.SaveFile(path(u"link.txt"_s), RichTextBox::rtfText);
    EXPECT_TRUE(QFileInfo(path(u"link.txt"_s)).isSymLink());
    EXPECT_EQ(read(u"target.txt"_s), "through the link");
}

TEST_F(RichTextFiles, AFailedWriteLeavesThePreviousFileIntact)
{
    write(u"doc.rtf"_s, "{\\rtf1 the previous version}");
    box.setText(QString(100000, u'x'));
    int number = 0;
    {
        const FileSizeLimit limit(4096);
        number = errorOf([&] { box.SaveFile(path(u"doc.rtf"_s), RichTextBox::rtfRTF); });
    }
    EXPECT_EQ(number, 75);
    EXPECT_EQ(read(u"doc.rtf"_s), "{\\rtf1 the previous version}");
    EXPECT_EQ(leftovers(), QStringList{u"doc.rtf"_s}); // no temporary left behind
}

TEST_F(RichTextFiles, SavingWhereNoFileCanBeRaisesTheMatchingError)
{
    box.setText(u"x"_s);
    EXPECT_EQ(errorOf([&] { box.SaveFile(path(u"missing/doc.rtf"_s), 0); }), 76);
    EXPECT_EQ(errorOf([&] { box.SaveFile(m_dir.path(), 0); }), 75);
    EXPECT_EQ(errorOf([&] { box.SaveFile(QString(), 0); }), 75);
    EXPECT_EQ(errorOf([&] { box.SaveFile(path(u"doc.rtf"_s), 2); }), 5);
    QDir(m_dir.path()).mkdir(u"locked"_s);
    chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    chmod(QFile::encodeName(path(u"locked"_s)).constData(), 0555);
    write(u"readonly.txt"_s, "keep");
    chmod(QFile::encodeName(path(u"readonly.txt"_s)).constData(), 0444);
    {
        const Unprivileged user;
        if (!user.active())
            GTEST_SKIP() << "cannot give up root's rights here";
        EXPECT_EQ(errorOf([&] { box.SaveFile(path(u"locked/doc.rtf"_s), 0); }), 70);
        EXPECT_EQ(errorOf([&] { box.SaveFile(path(u"readonly.txt"_s), 1); }), 70);
    }
    EXPECT_EQ(read(u"readonly.txt"_s), "keep");
    chmod(QFile::encodeName(path(u"locked"_s)).constData(), 0755);
}
