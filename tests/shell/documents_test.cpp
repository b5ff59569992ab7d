#include "main_window.h"
#include "test_files.h"

#include "parlivox/recovery/recovery.h"
#include "parlivox/shell/fileopening.h"
#include "parlivox/shell/frmReadProgress.h"
#include "platform/ocr/languages.h"
#include "platform/ocr/textrecognition.h"
#include "platform/richtextbox/richtextbox.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using platform::MsgResult;

namespace {

const QString openFilter =
    u"All Supported Files|*.rtf;*.txt;*.docx;*.odt;*.epub;*.html;*.htm;*.pdf;"
    u"*.png;*.jpg;*.jpeg;*.tif;*.tiff;*.webp;*.bmp|"
    u"Rich Text Format (*.rtf)|*.rtf|Text Files (*.txt)|*.txt|"
    u"Documents and Books|*.docx;*.odt;*.epub;*.html;*.htm;*.pdf|"
    u"Pictures (scanned text)|*.png;*.jpg;*.jpeg;*.tif;*.tiff;*.webp;*.bmp|All Files|*.*"_s;

QString book(const QString& name)
{
    return QStringLiteral(PARLIVOX_BOOKS_CORPUS "/") + name;
}
const QString saveFilter = u"Rich Text Format (*.rtf)|*.rtf|Text File (*.txt)|*.txt"_s;

/// A loaded editor and a scratch folder.
struct DocumentEditor : Editor {
    using Editor::Editor;
    QString path(const QString& name) const { return dir.path() + u'/' + name; }
    QString panel() const { return ui.statusPanel[0]->text(); }
    /// Opens a file through the Open dialog.
    void open(const QString& file, int filterIndex = 1)
    {
        fakes.dialog.answers.append(FakeCommonDialog::file(file, filterIndex));
        parts(window).documents().openFile();
        waitForOpen(window);
    }
    void type(const QString& text) { ui.txtConvert->setSelText(text); }

    QTemporaryDir dir;
};

} // namespace

TEST(NewDocument, WithUnsavedChangesCancelChangesNothing)
{
    DocumentEditor e;
    e.type(u"draft"_s);
    e.fakes.messageBox.answers = {MsgResult::Cancel};
    parts(e.window).documents().newFile();
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(e.fakes.messageBox.last().buttons, platform::MsgButtons::YesNoCancel);
    EXPECT_EQ(e.fakes.messageBox.last().title, u"Save File?"_s);
    EXPECT_EQ(e.ui.txtConvert->Text(), u"draft"_s);
    EXPECT_TRUE(e.state.document.blnChanged);
}

TEST(NewDocument, WithUnsavedChangesNoDiscardsThem)
{
    DocumentEditor e;
    writeFile(e.path(u"a.txt"_s), "text");
    e.open(e.path(u"a.txt"_s));
    e.type(u"more "_s);
    e.fakes.messageBox.answers = {MsgResult::No};
    parts(e.window).documents().newFile();
    EXPECT_EQ(e.ui.txtConvert->Text(), QString());
    EXPECT_EQ(e.panel(), u"Rich Text Format"_s);
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox"_s);
    EXPECT_FALSE(e.state.document.blnNamed);
    EXPECT_FALSE(e.state.document.blnChanged);
    EXPECT_EQ(e.state.document.strFileType, u"rtf"_s);
    EXPECT_TRUE(e.state.document.strFileName.isEmpty());
    EXPECT_EQ(readAll(e.path(u"a.txt"_s)), QByteArray("text"));
}

TEST(NewDocument, AfterOpeningATextFileThePanelReadsRichText)
{
    DocumentEditor e;
    writeFile(e.path(u"a.txt"_s), "text");
    e.open(e.path(u"a.txt"_s));
    ASSERT_EQ(e.panel(), u"Plain Text Format"_s);
    parts(e.window).documents().newFile();
    EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty());
    EXPECT_EQ(e.panel(), u"Rich Text Format"_s);
}

TEST(NewDocument, YesWhoseSaveAsIsCancelledKeepsTheDocument)
{
    DocumentEditor e;
    e.type(u"precious"_s);
    e.fakes.messageBox.answers = {MsgResult::Yes};
    e.fakes.dialog.answers = {FakeCommonDialog::cancelled()};
    parts(e.window).documents().newFile();
    EXPECT_EQ(e.ui.txtConvert->Text(), u"precious"_s);
    EXPECT_TRUE(e.state.document.blnChanged);
}

TEST(OpenDocument, YesWhoseSaveAsIsCancelledStopsBeforeTheOpenDialog)
{
    DocumentEditor e;
    e.type(u"precious"_s);
    e.fakes.messageBox.answers = {MsgResult::Yes};
    e.fakes.dialog.answers = {FakeCommonDialog::cancelled()};
    parts(e.window).documents().openFile();
    ASSERT_EQ(e.fakes.dialog.calls.size(), 1);
    EXPECT_EQ(e.fakes.dialog.calls[0].kind, FakeCommonDialog::Kind::Save);
    EXPECT_EQ(e.ui.txtConvert->Text(), u"precious"_s);
}

TEST(OpenDocument, UsesTheOpenFilterWithFlagFour)
{
    DocumentEditor e;
    writeFile(e.path(u"a.txt"_s), "x");
    e.open(e.path(u"a.txt"_s));
    ASSERT_EQ(e.fakes.dialog.calls.size(), 1);
    EXPECT_EQ(e.fakes.dialog.calls[0].kind, FakeCommonDialog::Kind::Open);
    EXPECT_EQ(e.fakes.dialog.calls[0].flags, 4);
    EXPECT_EQ(e.fakes.dialog.calls[0].filter, openFilter);
}

TEST(OpenDocument, AnUppercaseRtfNameCountsAsRichText)
{
    DocumentEditor e;
    writeFile(e.path(u"LETTER.RTF"_s), "{\\rtf1\\ansi Dear reader\\par}");
    e.open(e.path(u"LETTER.RTF"_s));
    EXPECT_EQ(e.state.document.strFileType, u"rtf"_s);
    EXPECT_EQ(e.panel(), u"Rich Text Format"_s);
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox - ["_s + e.path(u"LETTER.RTF"_s) + u"]"_s);
    EXPECT_TRUE(e.state.document.blnNamed);
    EXPECT_FALSE(e.state.document.blnChanged);
    EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty());
}

TEST(OpenDocument, AnotherExtensionKeepsThePanelAndSaveAsksForAName)
{
    DocumentEditor e;
    writeFile(e.path(u"a.txt"_s), "first");
    e.open(e.path(u"a.txt"_s));
    writeFile(e.path(u"notes.doc"_s), "plain words");
    e.open(e.path(u"notes.doc"_s), 4);
    EXPECT_EQ(e.state.document.strFileType, u"doc"_s);
    EXPECT_EQ(e.panel(), u"Plain Text Format"_s) << "the panel keeps its previous text";
    EXPECT_EQ(e.ui.txtConvert->Text(), u"plain words"_s);

    // Save of such a document never writes it in a guessed format.
    e.type(u"!"_s);
    e.fakes.dialog.answers = {FakeCommonDialog::file(e.path(u"notes.rtf"_s), 1)};
    parts(e.window).documents().saveFile();
    EXPECT_EQ(e.fakes.dialog.calls.last().kind, FakeCommonDialog::Kind::Save);
    EXPECT_EQ(readAll(e.path(u"notes.doc"_s)), QByteArray("plain words"));
    EXPECT_TRUE(QFile::exists(e.path(u"notes.rtf"_s)));
    EXPECT_EQ(e.state.document.strFileType, u"rtf"_s);
}

// Each format opens formatted, panel 1 names it, the record keeps the
// extension's last three letters, and Save asks for a name.
TEST(OpenDocument, DocumentsAndBooksOpenWithTheirFormatNamed)
{
    const struct {
        const char* file;
        const char* panel;
        const char* type;
        const char* startsWith;
    } cases[] = {
        {"pass/testWORD.docx", "Word Document", "ocx", "Sample Word Document"},
        {"pass/testStyles.odt", "OpenDocument Text", "odt", "This is just a test."},
        {"pass/testEPUB.epub", "EPUB Book", "pub", "An ePub for Tika"},
        {"pass/testHTML.html", "Web Page", "tml", "Test Indexation Html"},
        {"pass/testPDF.pdf", "PDF Document", "pdf", "Apache Tika - Apache Tika"},
    };
    DocumentEditor e;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = book(QString::fromLatin1(c.file));
        e.open(path);
        EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty());
        EXPECT_EQ(e.panel(), QString::fromLatin1(c.panel));
        EXPECT_EQ(e.state.document.strFileType, QString::fromLatin1(c.type));
        EXPECT_TRUE(e.ui.txtConvert->Text().startsWith(QString::fromLatin1(c.startsWith)));
        EXPECT_EQ(e.window.windowTitle(), u"Parlivox - ["_s + path + u"]"_s);
        EXPECT_TRUE(e.state.document.blnNamed);
        EXPECT_FALSE(e.state.document.blnChanged);
    }
    e.fakes.dialog.answers = {FakeCommonDialog::file(e.path(u"copy.rtf"_s), 1)};
    parts(e.window).documents().saveFile();
    EXPECT_EQ(e.fakes.dialog.calls.last().kind, FakeCommonDialog::Kind::Save);
    EXPECT_EQ(e.panel(), u"Rich Text Format"_s);
    EXPECT_TRUE(readAll(e.path(u"copy.rtf"_s)).startsWith("{\\rtf1"));
}

// A scanned letter opens as its text; panel 2 says what recognition found;
// a damaged picture after it is refused and the letter stays.
TEST(OpenDocument, AScannedLetterOpensAsTextAndABrokenPictureLeavesIt)
{
    platform::ocr::TesseractRecognition recognition(platform::ocr::defaultDataPath());
    DocumentEditor e;
    e.fakes.services.recognition = &recognition;
    e.open(book(u"scanned/scanned-letter.jpg"_s), 5);
    EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty());
    EXPECT_EQ(e.panel(), u"Picture"_s);
    EXPECT_TRUE(e.ui.txtConvert->Text().startsWith(u"Northgate Savings Bank"_s));
    EXPECT_TRUE(e.ui.statusPanel[1]->text().startsWith(u"1 page recognised, confidence "_s))
        << e.ui.statusPanel[1]->text().toStdString();
    EXPECT_TRUE(e.state.document.blnNamed);

    QFile broken(e.path(u"broken.png"_s));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(readAll(book(u"scanned/sideways-letter.png"_s)).first(200));
    broken.close();
    e.open(e.path(u"broken.png"_s), 5);
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 1);
    EXPECT_TRUE(e.fakes.messageBox.shown[0].text.contains(u"broken.png"_s));
    EXPECT_TRUE(e.ui.txtConvert->Text().startsWith(u"Northgate Savings Bank"_s));
    EXPECT_EQ(e.panel(), u"Picture"_s);
}

TEST(OpenDocument, AWordDocumentNamedAsTextIsNeverSavedOverAsText)
{
    DocumentEditor e;
    QFile::copy(book(u"pass/testWORD.docx"_s), e.path(u"report.txt"_s));
    const QByteArray original = readAll(e.path(u"report.txt"_s));
    e.open(e.path(u"report.txt"_s));
    EXPECT_EQ(e.panel(), u"Word Document"_s);
    EXPECT_EQ(e.state.document.strFileType, u"txt"_s);
    e.type(u"edited "_s);
    e.fakes.dialog.answers = {FakeCommonDialog::cancelled()};
    EXPECT_FALSE(parts(e.window).documents().saveFile());
    EXPECT_EQ(e.fakes.dialog.calls.last().kind, FakeCommonDialog::Kind::Save);
    EXPECT_EQ(readAll(e.path(u"report.txt"_s)), original);
}

TEST(OpenDocument, ARefusedDocumentIsReportedAndTheOpenOneStays)
{
    DocumentEditor e;
    writeFile(e.path(u"a.txt"_s), "kept text");
    e.open(e.path(u"a.txt"_s));
    e.open(book(u"fail/testODTEncrypted.odt"_s));
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 1);
    EXPECT_TRUE(e.fakes.messageBox.last().text.startsWith(u"70 - Permission denied: "_s));
    EXPECT_TRUE(e.fakes.messageBox.last().text.contains(u"password"_s));
    EXPECT_EQ(e.fakes.messageBox.last().title, u"Error"_s);
    EXPECT_EQ(e.fakes.messageBox.last().icon, platform::MsgIcon::Critical);
    EXPECT_EQ(e.ui.txtConvert->Text(), u"kept text"_s);
    EXPECT_EQ(e.state.document.strFileName, e.path(u"a.txt"_s));
    EXPECT_TRUE(e.state.document.blnNamed);
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox - ["_s + e.path(u"a.txt"_s) + u"]"_s);
    EXPECT_EQ(e.panel(), u"Plain Text Format"_s);

    writeFile(e.path(u"fake.docx"_s), "just words");
    e.open(e.path(u"fake.docx"_s));
    EXPECT_TRUE(e.fakes.messageBox.last().text.startsWith(u"321 - Invalid file format: "_s));
    EXPECT_EQ(e.ui.txtConvert->Text(), u"kept text"_s);
}

namespace {

/// A web page of 900,000 short paragraphs: a document Parlivox opens, in
/// seconds rather than at once.
QByteArray slowPage()
{
    return QByteArray("<p>x").repeated(900'000);
}

} // namespace

TEST(OpenDocument, WhatIsNotAFileOrTooLargeIsRefusedAndTheEditedDocumentStays)
{
    DocumentEditor e;
    writeFile(e.path(u"a.txt"_s), "kept text");
    e.open(e.path(u"a.txt"_s));
    e.type(u"edited "_s);
    const QString pipe = e.path(u"pipe.rtf"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    writeFile(e.path(u"lines.txt"_s), QByteArray(1'100'000, '\n'));
    for (const QString& file : {pipe, e.path(u"lines.txt"_s)}) {
        e.fakes.messageBox.answers = {MsgResult::No}; // the save prompt, then the refusal
        e.open(file);
        ASSERT_EQ(e.fakes.messageBox.shown.size() % 2, 0);
        EXPECT_EQ(e.fakes.messageBox.last().title, u"Error"_s);
        EXPECT_EQ(e.ui.txtConvert->Text(), u"edited kept text"_s);
        EXPECT_TRUE(e.state.document.blnChanged);
        EXPECT_EQ(e.state.document.strFileName, e.path(u"a.txt"_s));
        EXPECT_EQ(e.window.windowTitle(), u"Parlivox - ["_s + e.path(u"a.txt"_s) + u"]"_s);
    }
    EXPECT_EQ(e.fakes.messageBox.shown[1].text,
              u"75 - Path/File access error: "_s + pipe +
                  u" is not a file that can be opened (it is a named pipe)"_s);
    EXPECT_EQ(e.fakes.messageBox.shown[3].text,
              u"7 - Out of memory: the document is too large to open: \"lines.txt\" holds more "
              u"than 1 million lines."_s);
}

TEST(OpenDocument, ASlowReadingShowsItsProgressAndCancelLeavesTheDocument)
{
    DocumentEditor e;
    writeFile(e.path(u"a.txt"_s), "kept text");
    e.open(e.path(u"a.txt"_s));
    writeFile(e.path(u"long <b>page.html"_s), slowPage());
    e.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&e.window));
    e.fakes.dialog.answers.append(FakeCommonDialog::file(e.path(u"long <b>page.html"_s)));
    QElapsedTimer started;
    started.start();
    parts(e.window).documents().openFile();
    ASSERT_TRUE(parts(e.window).documents().reading());
    EXPECT_EQ(e.window.cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(e.ui.txtConvert->viewport()->cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(e.window.findChild<frmReadProgress*>(), nullptr) << "not in the first moments";
    // Keys wait while the file is read, shortcuts too (Ctrl+N would be New).
    QTest::keyClick(e.window.windowHandle(), Qt::Key_A);
    QTest::keyClick(e.window.windowHandle(), Qt::Key_N, Qt::ControlModifier);
    QTest::keyClicks(e.ui.txtConvert, u"typed"_s);
    EXPECT_EQ(e.ui.txtConvert->Text(), u"kept text"_s);

    QPointer<frmReadProgress> progress;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        progress = e.window.findChild<frmReadProgress*>();
        return progress && progress->isVisible();
    }));
    EXPECT_GE(started.elapsed(), FileOpening::progressAfterMs - 50);
    EXPECT_TRUE(progress->isModal() || progress->windowModality() == Qt::WindowModal);
    auto* name = progress->findChild<QLabel*>(u"lblFile"_s);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->textFormat(), Qt::PlainText);
    EXPECT_EQ(name->text(), u"Opening \"long <b>page.html\"..."_s);
    // Clicked as a user clicks: through the progress window's own window.
    auto* cancel = progress->findChild<QPushButton*>(u"cmdCancel"_s);
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(progress->windowHandle(), Qt::LeftButton, {},
                      cancel->mapTo(progress, cancel->rect().center()));

    EXPECT_FALSE(parts(e.window).documents().reading()) << "Cancel answers at once";
    EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty()) << "a cancel says nothing";
    EXPECT_EQ(e.ui.txtConvert->Text(), u"kept text"_s);
    EXPECT_EQ(e.state.document.strFileName, e.path(u"a.txt"_s));
    EXPECT_FALSE(e.state.document.blnChanged);
    EXPECT_NE(e.window.cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(e.ui.txtConvert->viewport()->cursor().shape(), Qt::IBeamCursor);
    QTest::qWait(50);
    EXPECT_TRUE(!progress || !progress->isVisible()) << "the progress window went";
}

TEST(OpenDocument, TheSessionsEndDuringAReadingStopsItAndKeepsTheDocument)
{
    DocumentEditor e;
    writeFile(e.path(u"a.txt"_s), "kept text");
    e.open(e.path(u"a.txt"_s));
    e.type(u"edited "_s);
    writeFile(e.path(u"long.html"_s), slowPage());
    e.fakes.messageBox.answers = {MsgResult::No};
    e.fakes.dialog.answers.append(FakeCommonDialog::file(e.path(u"long.html"_s)));
    parts(e.window).documents().openFile();
    ASSERT_TRUE(parts(e.window).documents().reading());
    e.window.endSession(); // as SIGTERM or a logout that allows no question
    EXPECT_FALSE(parts(e.window).documents().reading());
    EXPECT_EQ(e.ui.txtConvert->Text(), u"edited kept text"_s);
    EXPECT_TRUE(parts(e.window).recovery().keptForEnd()) << "the edited document is kept";
    parts(e.window).recovery().settled(); // and not offered to the tests that follow

    // A logout that may ask: the reading stops, and the question is about
    // the document that is open.
    e.type(u"more "_s);
    e.fakes.messageBox.answers = {MsgResult::No, MsgResult::No};
    e.fakes.dialog.answers.append(FakeCommonDialog::file(e.path(u"long.html"_s)));
    parts(e.window).documents().openFile();
    ASSERT_TRUE(parts(e.window).documents().reading());
    const qsizetype asked = e.fakes.messageBox.shown.size();
    EXPECT_TRUE(e.window.commitSession(true));
    EXPECT_FALSE(parts(e.window).documents().reading());
    ASSERT_EQ(e.fakes.messageBox.shown.size(), asked + 1);
    EXPECT_EQ(e.fakes.messageBox.last().title, u"Save File?"_s);
    EXPECT_EQ(e.ui.txtConvert->Text(), u"edited more kept text"_s);
}

TEST(OpenDocument, ClosingRightAfterOpenAsksNothing)
{
    DocumentEditor e;
    writeFile(e.path(u"a.txt"_s), "text");
    e.open(e.path(u"a.txt"_s));
    e.window.show();
    EXPECT_TRUE(e.window.close());
    EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty());
}

TEST(OpenDocument, ACancelledDialogChangesNothingAndSaysNothing)
{
    DocumentEditor e;
    e.type(u"kept"_s);
    e.fakes.messageBox.answers = {MsgResult::No};
    e.fakes.dialog.answers = {FakeCommonDialog::cancelled()};
    parts(e.window).documents().openFile();
    EXPECT_EQ(e.ui.txtConvert->Text(), u"kept"_s);
    EXPECT_EQ(e.fakes.messageBox.shown.size(), 1) << "only the save prompt";
}

TEST(OpenDocument, AFileThatCannotBeReadIsReportedWithItsCode)
{
    DocumentEditor e;
    writeFile(e.path(u"a.txt"_s), "text");
    e.open(e.path(u"a.txt"_s));
    const QString missing = e.path(u"gone.rtf"_s);
    e.open(missing);
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 1);
    EXPECT_TRUE(e.fakes.messageBox.last().text.startsWith(u"53 - "_s));
    EXPECT_EQ(e.fakes.messageBox.last().title, u"Error"_s);
    EXPECT_EQ(e.fakes.messageBox.last().icon, platform::MsgIcon::Critical);
    EXPECT_EQ(e.ui.txtConvert->Text(), QString());
    EXPECT_FALSE(e.state.document.blnNamed);
    EXPECT_FALSE(e.state.document.blnChanged);
    EXPECT_EQ(e.state.document.strFileName, missing);
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox - ["_s + e.path(u"a.txt"_s) + u"]"_s);
    EXPECT_EQ(e.panel(), u"Plain Text Format"_s);
}

TEST(SaveAs, UsesTheSaveFilterAndWritesRichTextByDefault)
{
    DocumentEditor e;
    e.type(u"Hello"_s);
    e.fakes.dialog.answers = {FakeCommonDialog::file(e.path(u"hello.rtf"_s), 1)};
    EXPECT_TRUE(parts(e.window).documents().saveFileAs());
    EXPECT_EQ(e.fakes.dialog.calls.last().filter, saveFilter);
    EXPECT_TRUE(readAll(e.path(u"hello.rtf"_s)).startsWith("{\\rtf"));
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox - ["_s + e.path(u"hello.rtf"_s) + u"]"_s);
    EXPECT_EQ(e.panel(), u"Rich Text Format"_s);
    EXPECT_FALSE(e.state.document.blnChanged);
    EXPECT_TRUE(e.state.document.blnNamed);
}

TEST(SaveAs, TheTextFilterWritesPlainTextAndLaterSavesFollow)
{
    DocumentEditor e;
    e.type(u"line one\nline two"_s);
    e.fakes.dialog.answers = {FakeCommonDialog::file(e.path(u"notes.txt"_s), 2)};
    parts(e.window).documents().saveFileAs();
    EXPECT_EQ(readAll(e.path(u"notes.txt"_s)), QByteArray("line one\nline two"));
    EXPECT_EQ(e.panel(), u"Plain Text Format"_s);
    EXPECT_EQ(e.state.document.strFileType, u"txt"_s);

    e.type(u" and three"_s);
    parts(e.window).documents().saveFile();
    EXPECT_EQ(readAll(e.path(u"notes.txt"_s)), QByteArray("line one\nline two and three"));
    EXPECT_FALSE(e.state.document.blnChanged);
}

TEST(SaveAs, OverwriteNoAsksAgainAndYesOverwrites)
{
    DocumentEditor e;
    writeFile(e.path(u"old.txt"_s), "old content");
    e.type(u"new content"_s);
    e.fakes.dialog.answers = {FakeCommonDialog::file(e.path(u"old.txt"_s), 2),
                              FakeCommonDialog::file(e.path(u"old.txt"_s), 2)};
    e.fakes.messageBox.answers = {MsgResult::No, MsgResult::Yes};
    parts(e.window).documents().saveFileAs();
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 2);
    EXPECT_EQ(e.fakes.messageBox.shown[0].text,
              u"File already exists. Do you want to overwrite it?"_s);
    EXPECT_EQ(e.fakes.messageBox.shown[0].title, u"Overwrite?"_s);
    EXPECT_EQ(e.fakes.messageBox.shown[0].buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(e.fakes.dialog.calls.size(), 2);
    EXPECT_EQ(readAll(e.path(u"old.txt"_s)), QByteArray("new content"));
}

TEST(SaveAs, EscapeAndTheCloseBoxOfOverwriteAreNoAnswer)
{
    EditorWithRealMessageBox e;
    QTemporaryDir dir;
    const QString old = dir.path() + u"/old.txt"_s;
    writeFile(old, "old content");
    e.ui.txtConvert->setText(u"new content"_s);
    e.fakes.dialog.answers = {FakeCommonDialog::file(old, 2)};
    bool stillAsking = false;
    e.whenAsked([&](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), u"Overwrite?"_s);
        QTest::keyClick(&box, Qt::Key_Escape);
        EXPECT_FALSE(box.close());
        stillAsking = box.isVisible();
        box.button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(parts(e.window).documents().saveFileAs());
    EXPECT_TRUE(stillAsking);
    EXPECT_EQ(e.fakes.dialog.calls.size(), 1) << "Escape did not stand for No";
    EXPECT_EQ(readAll(old), QByteArray("new content"));
}

TEST(SaveAs, ADeclinedOverwriteIsNeverOverwrittenLaterWithoutAsking)
{
    DocumentEditor e;
    writeFile(e.path(u"keep.txt"_s), "keep me");
    e.type(u"draft"_s);
    e.fakes.dialog.answers = {FakeCommonDialog::file(e.path(u"keep.txt"_s), 2),
                              FakeCommonDialog::cancelled()};
    e.fakes.messageBox.answers = {MsgResult::No};
    EXPECT_FALSE(parts(e.window).documents().saveFileAs());
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox - ["_s + e.path(u"keep.txt"_s) + u"]"_s);
    EXPECT_TRUE(e.state.document.blnChanged) << "nothing was written";

    e.fakes.dialog.answers = {FakeCommonDialog::cancelled()};
    parts(e.window).documents().saveFile();
    EXPECT_EQ(e.fakes.dialog.calls.last().kind, FakeCommonDialog::Kind::Save);
    EXPECT_EQ(readAll(e.path(u"keep.txt"_s)), QByteArray("keep me"));
}

TEST(SaveAs, AFailedWriteIsReportedAndTheChangesStayUnsaved)
{
    DocumentEditor e;
    e.type(u"draft"_s);
    e.fakes.dialog.answers = {FakeCommonDialog::file(e.path(u"no/such/dir/a.rtf"_s), 1)};
    EXPECT_FALSE(parts(e.window).documents().saveFileAs());
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 1);
    EXPECT_TRUE(e.fakes.messageBox.last().text.contains(u" - "_s));
    EXPECT_EQ(e.fakes.messageBox.last().title, u"Error"_s);
    EXPECT_TRUE(e.state.document.blnChanged);
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox"_s);
}

TEST(SaveAs, ADialogThatFailsIsReportedWhileACancelIsNot)
{
    DocumentEditor e;
    e.type(u"draft"_s);
    e.fakes.dialog.answers = {FakeCommonDialog::cancelled()};
    EXPECT_FALSE(parts(e.window).documents().saveFileAs());
    EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty());

    FakeCommonDialog::Answer broken;
    broken.failure = platform::err::PermissionDenied;
    e.fakes.dialog.answers = {broken};
    EXPECT_FALSE(parts(e.window).documents().saveFileAs());
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(e.fakes.messageBox.last().text, u"70 - Scripted failure"_s);
    EXPECT_EQ(e.fakes.messageBox.last().title, u"Error"_s);
    EXPECT_TRUE(e.state.document.blnChanged);
    EXPECT_FALSE(e.state.document.blnNamed);
}

TEST(Save, AFailedWriteShowsTheDescriptionAndKeepsTheChangedFlag)
{
    DocumentEditor e;
    QDir().mkpath(e.path(u"folder.txt"_s));
    e.type(u"x"_s);
    e.state.document.blnNamed = true;
    e.state.document.strFileName = e.path(u"folder.txt"_s); // a folder cannot be written
    e.state.document.strFileType = u"txt"_s;
    EXPECT_FALSE(parts(e.window).documents().saveFile());
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(e.fakes.messageBox.last().title, u"Error"_s);
    // The description alone, naming the file.
    const QString text = e.fakes.messageBox.last().text;
    EXPECT_TRUE(text.startsWith(u"Path/File access error: "_s + e.path(u"folder.txt"_s)))
        << text.toStdString();
    EXPECT_TRUE(e.state.document.blnChanged);
}

TEST(CommandLine, AQuotedPathOpensWithoutChangingTheCaption)
{
    QTemporaryDir dir;
    const QString file = dir.path() + u"/My Files/a.txt"_s;
    QDir().mkpath(dir.path() + u"/My Files"_s);
    writeFile(file, "from the command line");
    DocumentEditor e(u"\""_s + file + u"\""_s);
    EXPECT_EQ(e.ui.txtConvert->Text(), u"from the command line"_s);
    EXPECT_EQ(e.panel(), u"Plain Text Format"_s);
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox"_s);
    EXPECT_TRUE(e.state.document.blnNamed);
    EXPECT_FALSE(e.state.document.blnChanged);
    EXPECT_TRUE((e.ui.mnuConvert)->menuAction()->isEnabled());
    e.window.show();
    EXPECT_TRUE(e.window.close());
    EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty());
}

TEST(CommandLine, ABookOpensWithItsFormatNamed)
{
    DocumentEditor e(u"\""_s + book(u"pass/testEPUB_xml_ext.epub"_s) + u"\""_s);
    EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty());
    EXPECT_EQ(e.panel(), u"EPUB Book"_s);
    EXPECT_EQ(e.state.document.strFileType, u"pub"_s);
    EXPECT_TRUE(e.ui.txtConvert->Text().contains(u"Winston Smith"_s));
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox"_s);
}

TEST(CommandLine, AnUnquotedPathLosesItsEndsAndTheFailureIsReported)
{
    QTemporaryDir dir;
    writeFile(dir.path() + u"/a.txt"_s, "x");
    DocumentEditor e(dir.path() + u"/a.txt"_s);
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(e.fakes.messageBox.last().title, u"Error"_s);
    EXPECT_EQ(e.fakes.messageBox.last().text,
              u"File not found: "_s + dir.path().mid(1) + u"/a.tx"_s)
        << "the description alone";
    EXPECT_EQ(e.state.document.strFileName, dir.path().mid(1) + u"/a.tx"_s);
    EXPECT_FALSE(e.state.document.blnNamed);
    EXPECT_EQ(e.ui.txtConvert->Text(), QString());
}

TEST(CommandLine, ASingleCharacterIsReportedInTheSameWay)
{
    DocumentEditor e(u"x"_s);
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(e.fakes.messageBox.last().title, u"Error"_s);
    EXPECT_FALSE(e.state.document.blnNamed);
}

// A document read from another format is saved beside its original, never
// over it: Ctrl+S and Enter write report.rtf and leave report.docx as it was.
TEST(SaveConverted, SaveAndEnterWriteRichTextBesideTheOriginal)
{
    DocumentEditor e;
    const QString original = e.path(u"report.docx"_s);
    ASSERT_TRUE(QFile::copy(book(u"pass/testWORD.docx"_s), original));
    const QByteArray bytes = readAll(original);
    e.open(original, 4);
    e.type(u"edited "_s);
    e.fakes.dialog.answers = {FakeCommonDialog::enter()};
    e.ui.mnuSave->trigger();
    ASSERT_EQ(e.fakes.dialog.calls.size(), 2);
    EXPECT_EQ(e.fakes.dialog.calls[1].fileName, e.path(u"report.rtf"_s));
    EXPECT_EQ(e.fakes.dialog.calls[1].filterIndex, 1);
    EXPECT_EQ(readAll(original), bytes);
    EXPECT_TRUE(readAll(e.path(u"report.rtf"_s)).startsWith("{\\rtf1"));
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox - ["_s + e.path(u"report.rtf"_s) + u"]"_s);
    EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty());

    // Picking the text filter proposes report.txt; an existing one is asked
    // about as ever.
    e.type(u"again "_s);
    e.fakes.dialog.answers = {FakeCommonDialog::enter(2)};
    writeFile(e.path(u"report.txt"_s), "old");
    parts(e.window).documents().saveFileAs();
    EXPECT_EQ(e.fakes.dialog.FileName(), e.path(u"report.txt"_s));
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(e.fakes.messageBox.last().text,
              u"File already exists. Do you want to overwrite it?"_s);
    EXPECT_TRUE(readAll(e.path(u"report.txt"_s)).startsWith("edited again "));
    EXPECT_EQ(readAll(original), bytes);
}

// A name Parlivox reads but does not write is refused with the program's
// error, and the dialog opens again proposing the name in the filter's format.
TEST(SaveConverted, ANameOfAFormatParlivoxOnlyReadsIsNeverWritten)
{
    DocumentEditor e;
    const QString original = e.path(u"report.docx"_s);
    ASSERT_TRUE(QFile::copy(book(u"pass/testWORD.docx"_s), original));
    const QByteArray bytes = readAll(original);
    e.open(original, 4);
    e.type(u"edited "_s);
    e.fakes.dialog.answers = {FakeCommonDialog::file(original, 1),
                              FakeCommonDialog::file(e.path(u"Other.PDF"_s), 2),
                              FakeCommonDialog::cancelled()};
    EXPECT_FALSE(parts(e.window).documents().saveFile());
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 2) << "no overwrite question either";
    EXPECT_EQ(e.fakes.messageBox.shown[0].text,
              u"321 - Parlivox saves Rich Text (.rtf) or plain text (.txt), not .docx: "_s +
                  original);
    EXPECT_EQ(e.fakes.messageBox.shown[0].title, u"Error"_s);
    ASSERT_EQ(e.fakes.dialog.calls.size(), 4);
    EXPECT_EQ(e.fakes.dialog.calls[2].fileName, e.path(u"report.rtf"_s));
    EXPECT_EQ(e.fakes.dialog.calls[3].fileName, e.path(u"Other.txt"_s));
    EXPECT_EQ(readAll(original), bytes);
    EXPECT_EQ(QDir(e.dir.path()).entryList(QDir::Files), QStringList{u"report.docx"_s});
    EXPECT_TRUE(e.state.document.blnChanged);
    EXPECT_EQ(e.state.document.strFileName, original);
}
