#include "platform/app.h"
#include "platform/error.h"
#include "platform/fileio.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/commondialog.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/printer.h"
#include "platform/ui/process.h"
#include "platform/ui/screen.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>

using namespace Qt::StringLiterals;

TEST(CommandLine, EachArgumentIsQuotedAndJoinedBySpaces)
{
    EXPECT_EQ(platform::commandLineText({u"Parlivox"_s}), QString());
    EXPECT_EQ(platform::commandLineText({u"Parlivox"_s, u"/home/a b/note.rtf"_s}),
              u"\"/home/a b/note.rtf\""_s);
    EXPECT_EQ(platform::commandLineText({u"Parlivox"_s, u"a"_s, u"b"_s}), u"\"a\" \"b\""_s);
}

TEST(CommonDialogFilter, PairsBecomeQtNameFiltersShowingEachPatternOnce)
{
    EXPECT_EQ(platform::nameFiltersFrom(u"All Supported Files|*.rtf;*.txt|Rich Text Format "
                                        u"(*.rtf)|*.rtf|All Files|*.*"_s),
              (QStringList{u"All Supported Files (*.rtf *.txt)"_s, u"Rich Text Format (*.rtf)"_s,
                           u"All Files (*)"_s}));
    // A description naming other patterns than its pair keeps the pair's.
    EXPECT_EQ(platform::nameFiltersFrom(u"Text (*.txt)|*.txt;*.text"_s),
              QStringList{u"Text (*.txt) (*.txt *.text)"_s});
    EXPECT_TRUE(platform::nameFiltersFrom(QString()).isEmpty());
    // A description without a pattern is dropped rather than guessed.
    EXPECT_EQ(platform::nameFiltersFrom(u"Text|*.txt|Dangling"_s).size(), 1);
}

TEST(Twips, FifteenTwipsPerPixelAt96Dpi)
{
    // The offscreen screen the tests run on has 96 logical DPI.
    EXPECT_DOUBLE_EQ(platform::twipsPerPixel(), 15.0);
    EXPECT_EQ(platform::twipsToPixels(360), 24);
    EXPECT_EQ(platform::twipsToPixels(3200), 213);
    EXPECT_DOUBLE_EQ(platform::pixelsToTwips(10), 150.0);
}

TEST(FileErrors, MapToTheClassicNumbers)
{
    EXPECT_EQ(platform::fileError(ENOENT, u"/x"_s).number(), platform::err::FileNotFound);
    EXPECT_EQ(platform::fileError(EACCES, u"/x"_s).number(), platform::err::PermissionDenied);
    EXPECT_EQ(platform::fileError(ENOTDIR, u"/x"_s).number(), platform::err::PathNotFound);
    EXPECT_EQ(platform::fileError(EIO, u"/x"_s).number(), platform::err::PathFileAccess);
    EXPECT_TRUE(platform::fileError(ENOENT, u"/x/y.rtf"_s).description().contains(u"/x/y.rtf"_s));
}

TEST(Printing, APrinterThatCannotStartIsAFailureNotASilentSuccess)
{
    QTextDocument document(u"text"_s);
    platform::QtPrinter printer(u"/nonexistent-folder/out.pdf"_s);
    try {
        printer.print(document);
        ADD_FAILURE() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::err::Printer);
    }
}

TEST(ProcessStart, AMissingProgramIsFileNotFoundAndOneWithoutExecutePermissionIsDenied)
{
    QTemporaryDir dir;
    const QString program = dir.path() + u"/Nuvafetch"_s;
    platform::QtProcessStarter starter;
    const auto failure = [&] {
        try {
            starter.start(program);
        } catch (const platform::Error& e) {
            return e;
        }
        return platform::Error(0, u"no error"_s);
    };
    EXPECT_EQ(failure().number(), 53);

    QFile file(program);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    const platform::Error denied = failure();
    EXPECT_EQ(denied.number(), platform::err::PermissionDenied);
    EXPECT_TRUE(denied.description().contains(program)) << denied.description().toStdString();
}

// The bytes held open are the program that runs, whatever the path names by
// then: a file renamed over it after it was checked is never started.
TEST(ProcessStart, AnOpenedProgramRunsTheBytesItHoldsWhateverItsPathNamesNow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"update.exe"_s);
    const QByteArray marker = QFile::encodeName(dir.filePath(u"ran"_s));
    const auto script = [&](const char* word) -> QByteArray {
        return "#!/bin/sh\necho " + QByteArray(word) + " > '" + marker + "'\n";
    };
    platform::Descriptor held;
    {
        platform::AtomicFile file(path, 0755);
        const QByteArray verified = script("verified");
        ASSERT_TRUE(file.write(verified.constData(), std::size_t(verified.size())));
        held = file.openForReading();
        file.commit();
    }
    platform::writeFileAtomically(path, script("swapped"));
    platform::QtProcessStarter().startOpened(held, path);
    QFile ran(QFile::decodeName(marker));
    QDeadlineTimer deadline(10000);
    while (!(ran.exists() && ran.size() > 0) && !deadline.hasExpired())
        QThread::msleep(10);
    ASSERT_TRUE(ran.open(QIODevice::ReadOnly));
    EXPECT_EQ(ran.readAll(), QByteArray("verified\n"));
}

namespace {

/// Runs inside once the next message box is up.
void whenBoxShown(std::function<void(QMessageBox&)> inside)
{
    QTimer::singleShot(0, qApp, [inside = std::move(inside)] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        inside(*box);
    });
}

} // namespace

TEST(QuestionBoxes, AYesNoBoxIgnoresEscapeAndItsCloseBoxAndWaitsForAnAnswer)
{
    platform::QtMessageBox messageBox;
    bool stillAsking = false;
    whenBoxShown([&](QMessageBox& box) {
        QTest::keyClick(&box, Qt::Key_Escape);
        EXPECT_FALSE(box.close()) << "the close box must not answer";
        stillAsking = box.isVisible();
        box.button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(messageBox.show(u"Save?"_s, u"Save File?"_s, platform::MsgButtons::YesNo,
                              platform::MsgIcon::Question),
              platform::MsgResult::Yes);
    EXPECT_TRUE(stillAsking);

    // With a Cancel button, Escape is Cancel as before.
    whenBoxShown([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(messageBox.show(u"Save?"_s, u"Save File?"_s, platform::MsgButtons::YesNoCancel,
                              platform::MsgIcon::Question),
              platform::MsgResult::Cancel);
}

TEST(Clipboard, TextGivenToOtherProgramsHasLfLineEnds)
{
    platform::QtClipboard clipboard;
    clipboard.setText(u"one\r\ntwo\rthree\n"_s);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"one\ntwo\nthree\n"_s);
    EXPECT_EQ(clipboard.text(), u"one\ntwo\nthree\n"_s);
}

TEST(SaveDialog, PickingAnotherFilterChangesTheProposedExtension)
{
    QTemporaryDir dir;
    platform::QtCommonDialog dialog;
    dialog.setFilter(u"Rich Text Format (*.rtf)|*.rtf|Text File (*.txt)|*.txt"_s);
    dialog.setFileName(dir.path() + u"/report.rtf"_s);
    QString shown;
    QTimer::singleShot(0, qApp, [&shown] {
        auto* modal = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(modal, nullptr);
        auto* types = modal->findChild<QComboBox*>(u"fileTypeCombo"_s);
        auto* name = modal->findChild<QLineEdit*>(u"fileNameEdit"_s);
        ASSERT_TRUE(types && name);
        QTest::keyClick(types, Qt::Key_Down);
        shown = name->text();
        QTest::keyClick(name, Qt::Key_Return);
    });
    dialog.ShowSave();
    EXPECT_EQ(shown, u"report.txt"_s);
    EXPECT_EQ(dialog.FileName(), dir.path() + u"/report.txt"_s);
    EXPECT_EQ(dialog.FilterIndex(), 2);
}

TEST(MessageBoxes, TextThatLooksLikeHtmlIsShownAsWritten)
{
    platform::QtMessageBox messageBox;
    const QString text = u"53 - File not found: <img src=\"/dev/zero\">.epub"_s;
    whenBoxShown([&](QMessageBox& box) {
        const auto* label = box.findChild<QLabel*>(u"qt_msgbox_label"_s);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_EQ(label->text(), text);
        box.button(QMessageBox::Ok)->click();
    });
    messageBox.show(text, u"Error"_s, platform::MsgButtons::OK, platform::MsgIcon::Critical);
}
