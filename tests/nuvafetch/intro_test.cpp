// Start-up, the page frame and page 1.
#include "updater_fixture.h"

#include <QKeyEvent>
#include <QPointer>

using namespace Qt::StringLiterals;

TEST_F(Updater, FirstPageShowsTheProductInTheSharedFrame)
{
    descriptor("Parlivox", 1, 0, 174);
    start();
    frmIntro* intro = page<frmIntro>();
    ASSERT_NE(intro, nullptr);
    EXPECT_TRUE(intro->isVisible());
    EXPECT_EQ(intro->windowTitle(), u"Fetchwell"_s);
    EXPECT_EQ(intro->size(), QSize(433, 287));
    EXPECT_EQ(intro->minimumSize(), intro->maximumSize());
    EXPECT_FALSE(intro->windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(intro->windowFlags() & Qt::WindowCloseButtonHint);

    EXPECT_EQ(lineEdit(intro, "txtProduct")->text(), u"Parlivox"_s);
    EXPECT_TRUE(lineEdit(intro, "txtProduct")->isReadOnly());
    EXPECT_EQ(label(intro, "lblVer")->text(), u"Fetchwell version 1.00.0044"_s);
    EXPECT_EQ(label(intro, "lblWelcome")->text(), u"Welcome to Fetchwell."_s);
    EXPECT_TRUE(label(intro, "lblWelcome")->font().bold());

    EXPECT_EQ(button(intro, "cmdBack")->text(), u"< &Back"_s);
    EXPECT_EQ(button(intro, "cmdNext")->text(), u"&Next >"_s);
    EXPECT_EQ(button(intro, "cmdExit")->text(), u"E&xit"_s);
    EXPECT_FALSE(button(intro, "cmdBack")->isEnabled());
    EXPECT_TRUE(button(intro, "cmdNext")->isEnabled());
    EXPECT_TRUE(button(intro, "cmdExit")->isEnabled());
    EXPECT_TRUE(button(intro, "cmdNext")->isDefault());

    EXPECT_EQ(label(intro, "imgSide")->geometry(), QRect(8, 8, 105, 227));
    EXPECT_EQ(label(intro, "imgUK")->geometry(), QRect(408, 224, 18, 12));
    EXPECT_EQ(label(intro, "lblCpyR")->geometry(), QRect(128, 224, 185, 17));
    EXPECT_EQ(button(intro, "cmdBack")->geometry(), QRect(200, 256, 73, 25));
    EXPECT_EQ(button(intro, "cmdNext")->geometry(), QRect(272, 256, 73, 25));
    EXPECT_EQ(button(intro, "cmdExit")->geometry(), QRect(352, 256, 73, 25));
    EXPECT_EQ(label(intro, "lblVer")->geometry(), QRect(8, 264, 185, 17));
    EXPECT_EQ(frame(intro, "Line1")->y(), 248);
    EXPECT_EQ(frame(intro, "Line2")->y(), 249);
    EXPECT_EQ(frame(intro, "Line1")->palette().color(QPalette::Window), QColor(128, 128, 128));

    // Tab moves Next, Exit, Back, then to the product box.
    QStringList tabOrder;
    for (QWidget* w = button(intro, "cmdNext"); tabOrder.size() < 20;) {
        if (w->focusPolicy() & Qt::TabFocus)
            tabOrder << w->objectName();
        w = w->nextInFocusChain();
        if (w == button(intro, "cmdNext"))
            break;
    }
    EXPECT_EQ(tabOrder, QStringList({u"cmdNext"_s, u"cmdExit"_s, u"cmdBack"_s, u"txtProduct"_s}));

    EXPECT_EQ(state.descriptorPath, dir.filePath(u"Nuvafetch.inf"_s));
    EXPECT_EQ(state.productName, u"Parlivox"_s);
    EXPECT_EQ(state.majorText, u"1"_s);
    EXPECT_EQ(state.minorText, u"0"_s);
    EXPECT_EQ(state.revText, u"174"_s);
    EXPECT_TRUE(messageBox.shown.isEmpty());
    EXPECT_FALSE(wizard->finished());
}

TEST_F(Updater, MissingDescriptorShowsCriticalErrorAndEnds)
{
    start();
    ASSERT_EQ(messageBox.shown.size(), 1);
    EXPECT_EQ(messageBox.last().title, u"Critical Error"_s);
    EXPECT_EQ(messageBox.last().text,
              u"Fetchwell cannot read the NUVAFETCH.INF file for the application.\r\n"
              "Please ensure that the PRODUCT.INF file is located in the application directory "
              "and is not corrupt.\r\n\r\nFetchwell will now exit."_s);
    EXPECT_EQ(messageBox.last().icon, platform::MsgIcon::Critical);
    EXPECT_EQ(messageBox.last().buttons, platform::MsgButtons::OK);
    EXPECT_TRUE(wizard->finished());
    EXPECT_EQ(wizard->currentPage(), nullptr);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(Updater, UnreadableOrMalformedDescriptorsEndTheUpdater)
{
    for (const QByteArray& ini :
         {QByteArray("[Product]\nName=UnknownTool\nverMajor=1\n"), QByteArray("[Other]\nName=X\n"),
          QByteArray("[Product]\nName=Parlivox\nverMajor=one\n"),
          QByteArray("[Product]\nName=Parlivox\nverRev=\n"),
          QByteArray("[Product]\nName=Parlivox\nverMinor=40000\n"),
          QByteArray("[Product]\nName=Parlivox\nPublicKey=c2hvcnQ=\n")}) {
        messageBox.shown.clear();
        writeFile(u"Nuvafetch.inf"_s, ini);
        start();
        EXPECT_TRUE(wizard->finished()) << ini.constData();
        ASSERT_EQ(messageBox.shown.size(), 1) << ini.constData();
        EXPECT_EQ(messageBox.last().title, u"Critical Error"_s);
    }
}

TEST_F(Updater, LowerCaseUnknownIsAProductName)
{
    descriptor("unknown", 2, 7, 0);
    start();
    ASSERT_NE(page<frmIntro>(), nullptr);
    EXPECT_EQ(lineEdit(page<frmIntro>(), "txtProduct")->text(), u"unknown"_s);
    EXPECT_TRUE(messageBox.shown.isEmpty());
}

TEST_F(Updater, ExitOnTheFirstPageEndsWithoutAsking)
{
    descriptor("Parlivox", 1, 2, 15);
    start();
    QPointer<frmIntro> intro = page<frmIntro>();
    button(intro, "cmdExit")->click();
    EXPECT_TRUE(wizard->finished());
    EXPECT_FALSE(intro->isVisible());
    flush();
    EXPECT_TRUE(intro.isNull());
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(Updater, ClosingAPageEndsTheUpdater)
{
    descriptor("Parlivox", 1, 2, 15);
    start();
    page<frmIntro>()->close();
    EXPECT_TRUE(wizard->finished());
}

TEST_F(Updater, EscapeDoesNotCloseAPage)
{
    descriptor("Parlivox", 1, 2, 15);
    start();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(page<frmIntro>(), &escape);
    EXPECT_FALSE(wizard->finished());
    EXPECT_TRUE(page<frmIntro>()->isVisible());
}
