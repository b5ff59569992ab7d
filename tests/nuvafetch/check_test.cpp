// Page 2: the update check against the local server.
#include "updater_fixture.h"

#include "tlsidentity.h"

#include <QPointer>

using namespace Qt::StringLiterals;
using Ending = LocalServer::Ending;

namespace {
const QString noUpdateText = u"No update available. Press Finish to exit Fetchwell."_s;
const QString connectionErrorText =
    u"ERROR: Fetchwell was unable to connect to the update server."_s;
} // namespace

class CheckPage : public Updater {
protected:
    /// Page 1, then Next: page 2 has checked when this returns.
    frmCheck* check()
    {
        start();
        frmIntro* intro = page<frmIntro>();
        EXPECT_NE(intro, nullptr);
        if (!intro)
            return nullptr;
        button(intro, "cmdNext")->click();
        return page<frmCheck>();
    }

    void expectFinishOnly(frmCheck* check, const QString& status)
    {
        ASSERT_NE(check, nullptr);
        EXPECT_EQ(label(check, "lblStatus")->text(), status);
        EXPECT_TRUE(label(check, "lblStatus")->font().bold());
        EXPECT_EQ(button(check, "cmdExit")->text(), u"&Finish"_s);
        EXPECT_TRUE(button(check, "cmdExit")->isEnabled());
        EXPECT_FALSE(button(check, "cmdBack")->isEnabled());
        EXPECT_FALSE(button(check, "cmdNext")->isEnabled());
    }
};

TEST_F(CheckPage, SameVersionMeansNoUpdate)
{
    descriptor("Parlivox", 1, 2, 15);
    serve("1215");
    frmCheck* page2 = check();
    expectFinishOnly(page2, noUpdateText);
    EXPECT_EQ(lineEdit(page2, "txtProduct")->text(), u"Parlivox"_s);
    EXPECT_EQ(label(page2, "lblVer")->text(), u"Fetchwell version 1.00.0044"_s);
    EXPECT_EQ(server.requests(), std::vector<std::string>{"/product/parlivox/version.txt"});
    // Page 1 is gone once page 2 has loaded.
    EXPECT_EQ(page2, wizard->currentPage());
    button(page2, "cmdExit")->click();
    EXPECT_TRUE(wizard->finished());
}

TEST_F(CheckPage, VersionsAreComparedAsJoinedNumbers)
{
    descriptor("Parlivox", 12, 1, 5);
    serve("1215\r\n");
    expectFinishOnly(check(), noUpdateText);
}

TEST_F(CheckPage, NewerInstalledVersionMeansNoUpdate)
{
    descriptor("Parlivox", 1, 2, 16);
    serve("1215");
    expectFinishOnly(check(), noUpdateText);
}

TEST_F(CheckPage, NewerServerVersionOffersTheUpdateWithItsSize)
{
    descriptor("Parlivox", 1, 2, 15);
    serve("1216", "850\n");
    frmCheck* page2 = check();
    ASSERT_NE(page2, nullptr);
    EXPECT_EQ(label(page2, "lblStatus")->text(),
              u"Update available (850Kb). Press Next to download the update."_s);
    EXPECT_TRUE(label(page2, "lblStatus")->font().bold());
    EXPECT_TRUE(button(page2, "cmdBack")->isEnabled());
    EXPECT_TRUE(button(page2, "cmdNext")->isEnabled());
    EXPECT_TRUE(button(page2, "cmdExit")->isEnabled());
    EXPECT_EQ(button(page2, "cmdExit")->text(), u"E&xit"_s);
    EXPECT_EQ(server.requests(), (std::vector<std::string>{"/product/parlivox/version.txt",
                                                           "/product/parlivox/size.txt"}));
    button(page2, "cmdExit")->click();
    EXPECT_TRUE(wizard->finished());
    EXPECT_TRUE(processes.started.isEmpty());
}

TEST_F(CheckPage, SizeThatIsNoNumberIsAnError)
{
    descriptor("Parlivox", 1, 2, 15);
    serve("1300", "eight hundred");
    expectFinishOnly(check(), connectionErrorText);
}

TEST_F(CheckPage, BadRepliesAreConnectionErrors)
{
    descriptor("Parlivox", 1, 2, 15);
    LocalServer::Reply serverError;
    serverError.status = 500;
    serverError.body = "1216";
    LocalServer::Reply cutShort;
    cutShort.body = "1216";
    cutShort.ending = Ending::Close;
    cutShort.endAfter = 2;
    LocalServer::Reply silent;
    silent.ending = Ending::NoReply;
    LocalServer::Reply errorPage;
    errorPage.contentType = "text/html";
    errorPage.body = "<html><body>Sorry, that page is gone.</body></html>";

    const std::pair<const char*, LocalServer::Reply> cases[] = {{"500", serverError},
                                                                {"cut short", cutShort},
                                                                {"silent", silent},
                                                                {"HTML with 200", errorPage}};
    for (const auto& [name, reply] : cases) {
        SCOPED_TRACE(name);
        server.route("/product/parlivox/version.txt", reply);
        expectFinishOnly(check(), connectionErrorText);
    }
}

TEST_F(CheckPage, MissingVersionFileIsAnError)
{
    descriptor("Parlivox", 1, 2, 15);
    expectFinishOnly(check(), connectionErrorText);
}

TEST_F(CheckPage, UnreachableServerIsAnError)
{
    descriptor("Parlivox", 1, 2, 15);
    {
        LocalServer gone;
        serverBase = QString::fromStdString(gone.base());
    }
    expectFinishOnly(check(), connectionErrorText);
}

TEST_F(CheckPage, InstalledVersionTooLargeToJoinIsAnError)
{
    descriptor("Parlivox", 32767, 32767, 32767);
    serve("1215");
    expectFinishOnly(check(), connectionErrorText);
}

TEST_F(CheckPage, BackReadsTheDescriptorAgainAndNextChecksAgain)
{
    descriptor("Parlivox", 1, 2, 15);
    serve("1216");
    QPointer<frmCheck> first = check();
    ASSERT_TRUE(first);
    descriptor("Parlivox", 1, 2, 16);
    button(first, "cmdBack")->click();
    frmIntro* intro = page<frmIntro>();
    ASSERT_NE(intro, nullptr);
    EXPECT_EQ(state.revText, u"16"_s);
    flush();
    EXPECT_TRUE(first.isNull());

    button(intro, "cmdNext")->click();
    expectFinishOnly(page<frmCheck>(), noUpdateText);
    const auto requests = server.requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "/product/parlivox/version.txt"), 2);
}

TEST_F(CheckPage, BackToABrokenDescriptorEndsTheUpdater)
{
    descriptor("Parlivox", 1, 2, 15);
    serve("1216");
    frmCheck* page2 = check();
    ASSERT_NE(page2, nullptr);
    QFile::remove(dir.filePath(u"Nuvafetch.inf"_s));
    button(page2, "cmdBack")->click();
    ASSERT_EQ(messageBox.shown.size(), 1);
    EXPECT_EQ(messageBox.last().title, u"Critical Error"_s);
    EXPECT_TRUE(wizard->finished());
}

TEST_F(CheckPage, WhileCheckingEveryButtonIsDisabledAndTheCursorWaits)
{
    useFake();
    descriptor("Parlivox", 1, 2, 15);
    fake.replies[u"http://updates.test/product/parlivox/version.txt"_s] = {"1215", {}, true};
    bool looked = false;
    duringTransfer([&] {
        frmCheck* page2 = page<frmCheck>();
        ASSERT_NE(page2, nullptr);
        looked = true;
        EXPECT_TRUE(page2->isVisible());
        EXPECT_EQ(label(page2, "lblStatus")->text(), u"Connecting to update server..."_s);
        EXPECT_FALSE(button(page2, "cmdBack")->isEnabled());
        EXPECT_FALSE(button(page2, "cmdNext")->isEnabled());
        EXPECT_FALSE(button(page2, "cmdExit")->isEnabled());
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    });
    expectFinishOnly(check(), noUpdateText);
    EXPECT_TRUE(looked);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CheckPage, ClosingDuringTheCheckCancelsItAndEnds)
{
    useFake();
    descriptor("Parlivox", 1, 2, 15);
    fake.replies[u"http://updates.test/product/parlivox/version.txt"_s] = {"1216", {}, true};
    duringTransfer([&] {
        QPointer<frmCheck> closing = page<frmCheck>();
        closing->close();
        // Its load is still running below this event loop: not yet deleted.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(closing.isNull());
    });
    check();
    EXPECT_TRUE(fake.cancelled);
    EXPECT_TRUE(wizard->finished());
    EXPECT_EQ(fake.requested().size(), 1);
    EXPECT_TRUE(messageBox.shown.isEmpty());
}

TEST_F(CheckPage, AFailureThePageDoesNotAnswerIsShownAndTheWizardGoesOn)
{
    useFake();
    descriptor("Parlivox", 1, 2, 15);
    FakeHttpClient::Reply exhausted;
    exhausted.outOfMemory = true;
    fake.replies[u"http://updates.test/product/parlivox/version.txt"_s] = exhausted;
    frmCheck* page2 = check();
    ASSERT_EQ(messageBox.shown.size(), 1);
    EXPECT_EQ(messageBox.last().text, u"7 - Out of memory"_s);
    ASSERT_NE(page2, nullptr);
    EXPECT_FALSE(wizard->finished());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The check never ended: the close box still ends the updater.
    page2->close();
    EXPECT_TRUE(wizard->finished());
}

TEST_F(CheckPage, NegativeDescriptorVersionReachesTheCheckAndEndsInItsError)
{
    writeFile(u"Nuvafetch.inf"_s, "[Product]\r\nName=Parlivox\r\nverMajor=1\r\nverMinor=-1\r\n"
                                  "verRev=1174\r\n");
    serve("1216");
    start();
    ASSERT_NE(page<frmIntro>(), nullptr);
    EXPECT_TRUE(messageBox.shown.isEmpty());
    EXPECT_EQ(state.minorText, u"-1"_s);
    // "1-11174" is no number.
    button(page<frmIntro>(), "cmdNext")->click();
    expectFinishOnly(page<frmCheck>(), connectionErrorText);
}

TEST_F(CheckPage, SecureServerIsTrustedOnlyThroughItsCertificate)
{
    descriptor("Parlivox", 1, 2, 15);
    const TlsIdentity identity = TlsIdentity::make("IP:127.0.0.1");
    LocalServer secure(identity);
    secure.file("/product/parlivox/version.txt", "1216");
    secure.file("/product/parlivox/size.txt", "850");
    serverBase = QString::fromStdString(secure.base());

    QFile ca(dir.filePath(u"ca.pem"_s));
    ASSERT_TRUE(ca.open(QIODevice::WriteOnly));
    ca.write(QByteArray::fromStdString(identity.certificatePem));
    ca.close();
    platform::TransferSettings trusting = impatient();
    trusting.extraCaFile = ca.fileName();
    platform::CurlHttpClient trusted(trusting);
    inet = &trusted;
    frmCheck* page2 = check();
    ASSERT_NE(page2, nullptr);
    EXPECT_TRUE(button(page2, "cmdNext")->isEnabled());
    button(page2, "cmdExit")->click();

    // The system's store alone does not know the test's certificate, and
    // nothing is then asked over plain HTTP either.
    inet = &curl;
    expectFinishOnly(check(), connectionErrorText);
    EXPECT_EQ(secure.requests().size(), 2u);
    EXPECT_TRUE(server.requests().empty());
}
