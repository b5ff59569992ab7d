// Page 3: downloading the installer and starting it.
#include "updater_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include "platform/signature.h"

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using Ending = LocalServer::Ending;

namespace {
const QString downloadedText =
    u"Your software product update has been downloaded and the update installation will begin when you click on the Install button.\r\n\r\nThank you for using Fetchwell."_s;
const QString failedText =
    u"ERROR: Fetchwell failed to download the update. There may be a problem with the server. Please try again later."_s;
} // namespace

class UpdatePage : public Updater {
protected:
    void SetUp() override { descriptor("Parlivox", 1, 2, 15); }

    /// Page 1, Next, Next: page 3 has downloaded when this returns.
    frmUpdate* download()
    {
        start();
        button(page<frmIntro>(), "cmdNext")->click();
        frmCheck* check = page<frmCheck>();
        EXPECT_NE(check, nullptr);
        if (!check)
            return nullptr;
        EXPECT_TRUE(button(check, "cmdNext")->isEnabled());
        button(check, "cmdNext")->click();
        return page<frmUpdate>();
    }

    void expectFailed(frmUpdate* update, const QString& secondLine = {})
    {
        ASSERT_NE(update, nullptr);
        EXPECT_EQ(label(update, "lblStatus")->text(),
                  secondLine.isEmpty() ? failedText : failedText + u"\r\n"_s + secondLine);
        EXPECT_TRUE(label(update, "lblStatus")->font().bold());
        EXPECT_FALSE(state.updateReady);
        EXPECT_EQ(button(update, "cmdExit")->text(), u"&Finish"_s);
        EXPECT_TRUE(button(update, "cmdExit")->isEnabled());
        EXPECT_FALSE(button(update, "cmdBack")->isEnabled());
        EXPECT_FALSE(button(update, "cmdNext")->isEnabled());
        EXPECT_TRUE(label(update, "imgFail")->isVisible());
        EXPECT_FALSE(label(update, "imgDL")->isVisible());
        EXPECT_FALSE(label(update, "imgComplete")->isVisible());
    }

    QString installer() const { return dir.filePath(u"update.exe"_s); }
    QStringList folder() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
};

TEST_F(UpdatePage, TwoByteInstallerIsDownloadedAndInstallStartsIt)
{
    serve("1216", "1", "MZ");
    frmUpdate* update = download();
    ASSERT_NE(update, nullptr);
    EXPECT_EQ(label(update, "lblStatus")->text(), downloadedText);
    EXPECT_FALSE(label(update, "lblStatus")->font().bold());
    EXPECT_FALSE(label(update, "imgDL")->isVisible());
    EXPECT_TRUE(label(update, "imgComplete")->isVisible());
    EXPECT_FALSE(label(update, "imgFail")->isVisible());
    EXPECT_EQ(button(update, "cmdExit")->text(), u"&Install"_s);
    EXPECT_TRUE(button(update, "cmdExit")->isEnabled());
    EXPECT_FALSE(button(update, "cmdBack")->isEnabled());
    EXPECT_FALSE(button(update, "cmdNext")->isEnabled());
    EXPECT_EQ(label(update, "lblVer")->text(), u"Fetchwell version 1.00.0044"_s);

    EXPECT_TRUE(state.updateReady);
    EXPECT_EQ(state.installerPath, installer());
    EXPECT_EQ(readFile(u"update.exe"_s), QByteArray("MZ"));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(installer()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
    // Without a key in the descriptor no signature is asked for.
    EXPECT_EQ(server.requests(), (std::vector<std::string>{"/product/parlivox/version.txt",
                                                           "/product/parlivox/size.txt",
                                                           "/product/parlivox/update.exe"}));
    EXPECT_EQ(folder(), QStringList({u"Nuvafetch.inf"_s, u"update.exe"_s}));

    button(update, "cmdExit")->click();
    EXPECT_EQ(processes.started, QStringList{installer()});
    EXPECT_TRUE(wizard->finished());
}

TEST_F(UpdatePage, OneByteInstallerFailsAndFinishStartsNothing)
{
    serve("1216", "1", "M");
    frmUpdate* update = download();
    expectFailed(update);
    // The byte received is written, but never offered for installing.
    EXPECT_EQ(readFile(u"update.exe"_s), QByteArray("M"));
    button(update, "cmdExit")->click();
    EXPECT_TRUE(processes.started.isEmpty());
    EXPECT_TRUE(wizard->finished());
}

TEST_F(UpdatePage, ExistingLongerInstallerIsReplacedWhole)
{
    writeFile(u"update.exe"_s, QByteArray(10000, 'o'));
    const std::string fresh(2000, 'n');
    serve("1216", "2", fresh);
    download();
    EXPECT_TRUE(state.updateReady);
    EXPECT_EQ(QFileInfo(installer()).size(), 2000);
    EXPECT_EQ(readFile(u"update.exe"_s), QByteArray::fromStdString(fresh));
}

TEST_F(UpdatePage, FailedTransfersKeepThePreviousInstaller)
{
    writeFile(u"update.exe"_s, "previous");
    serve("1216");
    LocalServer::Reply missing;
    missing.status = 404;
    missing.contentType = "text/html";
    missing.body = "<html><body>Not Found</body></html>";
    LocalServer::Reply errorPage = missing;
    errorPage.status = 200;
    LocalServer::Reply cutShort;
    cutShort.body = std::string(100000, 'x');
    cutShort.ending = Ending::Close;
    cutShort.endAfter = 50000;
    LocalServer::Reply reset = cutShort;
    reset.ending = Ending::Reset;
    LocalServer::Reply stalled = cutShort;
    stalled.ending = Ending::Stall;

    const std::pair<const char*, LocalServer::Reply> cases[] = {{"404", missing},
                                                                {"HTML with 200", errorPage},
                                                                {"cut short", cutShort},
                                                                {"reset", reset},
                                                                {"stalled", stalled}};
    for (const auto& [name, reply] : cases) {
        SCOPED_TRACE(name);
        server.route("/product/parlivox/update.exe", reply);
        expectFailed(download());
        EXPECT_EQ(readFile(u"update.exe"_s), QByteArray("previous"));
        EXPECT_EQ(folder(), QStringList({u"Nuvafetch.inf"_s, u"update.exe"_s}));
    }
}

TEST_F(UpdatePage, ClosingDuringTheDownloadCancelsItAndStartsNothing)
{
    useFake();
    fake.replies[u"http://updates.test/product/parlivox/version.txt"_s] = {"1216", {}, false};
    fake.replies[u"http://updates.test/product/parlivox/size.txt"_s] = {"850", {}, false};
    fake.replies[u"http://updates.test/product/parlivox/update.exe"_s] = {"MZ", {}, true};
    bool looked = false;
    duringTransfer([&] {
        frmUpdate* update = page<frmUpdate>();
        ASSERT_NE(update, nullptr);
        looked = true;
        EXPECT_TRUE(update->isVisible());
        EXPECT_TRUE(label(update, "imgDL")->isVisible());
        EXPECT_EQ(
            label(update, "lblStatus")->text(),
            u"Please wait while your update is downloaded. This may take several minutes, depending on your connection speed."_s);
        EXPECT_FALSE(button(update, "cmdExit")->isEnabled());
        QPointer<frmUpdate> closing = update;
        update->close();
        // Its load is still running below this event loop: not yet deleted.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(closing.isNull());
    });
    download();
    EXPECT_TRUE(looked);
    EXPECT_TRUE(fake.cancelled);
    EXPECT_TRUE(wizard->finished());
    EXPECT_FALSE(state.updateReady);
    EXPECT_TRUE(processes.started.isEmpty());
    EXPECT_FALSE(QFile::exists(installer()));
}

TEST_F(UpdatePage, ClosingAfterTheDownloadNeverInstalls)
{
    serve("1216", "1", "MZ");
    download()->close();
    EXPECT_TRUE(wizard->finished());
    EXPECT_TRUE(processes.started.isEmpty());
}

TEST_F(UpdatePage, InstallerThatCannotStartIsReported)
{
    serve("1216", "1", "MZ");
    processes.failure = platform::err::PathFileAccess;
    button(download(), "cmdExit")->click();
    ASSERT_EQ(messageBox.shown.size(), 1);
    EXPECT_EQ(messageBox.last().title, u"Error"_s);
    EXPECT_EQ(messageBox.last().icon, platform::MsgIcon::Critical);
    EXPECT_TRUE(wizard->finished());
}

TEST_F(UpdatePage, InstallerAddressLowerCasesOnlyTheName)
{
    useFake(u"http://Updates.Test"_s);
    descriptor("ParliVox", 1, 2, 15);
    fake.replies[u"http://updates.test/product/parlivox/version.txt"_s] = {"1216", {}, false};
    fake.replies[u"http://updates.test/product/parlivox/size.txt"_s] = {"850", {}, false};
    fake.replies[u"http://Updates.Test/product/parlivox/update.exe"_s] = {"MZ", {}, false};
    download();
    EXPECT_TRUE(state.updateReady);
    ASSERT_EQ(fake.downloadOptions.size(), 1u);
    EXPECT_EQ(fake.downloadOptions[0].mode, 0755u);
    EXPECT_TRUE(fake.downloadOptions[0].refuseHtml);
}

namespace {

QByteArray signatureText(const QByteArray& secretKey, const QByteArray& data)
{
    platform::Signer signer(secretKey);
    signer.update(data.constData(), std::size_t(data.size()));
    return signer.signature().toBase64() + "\n";
}

} // namespace

TEST_F(UpdatePage, SignedInstallerIsOfferedOnlyWhenItsSignatureVerifies)
{
    const platform::KeyPair publisher = platform::generateKeyPair();
    const platform::KeyPair stranger = platform::generateKeyPair();
    writeFile(u"Nuvafetch.inf"_s, "[Product]\r\nName=Parlivox\r\nverMajor=1\r\nverMinor=2\r\n"
                                  "verRev=15\r\nPublicKey=" +
                                      publisher.publicKey.toBase64() + "\r\n");
    writeFile(u"update.exe"_s, "previous");
    QByteArray body(200000, 'i');
    body.prepend("MZ");
    QByteArray flipped = body;
    flipped[150000] = 'j';
    const QByteArray good = signatureText(publisher.secretKey, body);
    serve("1216", "196");

    struct Case {
        const char* name;
        QByteArray served;
        std::optional<QByteArray> signature;
    };
    const Case refused[] = {
        {"one byte changed", flipped, good},
        {"signed by another key", body, signatureText(stranger.secretKey, body)},
        {"signature of another file", body, signatureText(publisher.secretKey, flipped)},
        {"no signature on the server", body, std::nullopt},
        {"garbage signature", body, QByteArray("not a signature at all\n")},
    };
    LocalServer::Reply notFound;
    notFound.status = 404;
    notFound.contentType = "text/html";
    notFound.body = "<html>Not Found</html>";
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        server.file("/product/parlivox/update.exe", c.served.toStdString(),
                    "application/octet-stream");
        if (c.signature)
            server.file("/product/parlivox/update.exe.sig", c.signature->toStdString());
        else
            server.route("/product/parlivox/update.exe.sig", notFound);
        expectFailed(download());
        EXPECT_EQ(readFile(u"update.exe"_s), QByteArray("previous"));
        EXPECT_EQ(folder(), QStringList({u"Nuvafetch.inf"_s, u"update.exe"_s}));
        button(page<frmUpdate>(), "cmdExit")->click();
        EXPECT_TRUE(processes.started.isEmpty());
    }

    server.file("/product/parlivox/update.exe", body.toStdString(), "application/octet-stream");
    server.file("/product/parlivox/update.exe.sig", good.toStdString());
    frmUpdate* update = download();
    ASSERT_NE(update, nullptr);
    EXPECT_EQ(label(update, "lblStatus")->text(), downloadedText);
    EXPECT_EQ(readFile(u"update.exe"_s), body);
    const auto asked = server.requests();
    EXPECT_EQ(std::vector<std::string>(asked.end() - 2, asked.end()),
              (std::vector<std::string>{"/product/parlivox/update.exe.sig",
                                        "/product/parlivox/update.exe"}));
    button(update, "cmdExit")->click();
    EXPECT_EQ(processes.started, QStringList{installer()});
}

// Install starts the bytes that were verified: an installer swapped in under
// the same name after the download is never started.
TEST_F(UpdatePage, AnInstallerSwappedAfterTheDownloadIsNotStarted)
{
    serve("1216", "1", "MZ verified");
    frmUpdate* update = download();
    ASSERT_NE(update, nullptr);
    ASSERT_TRUE(state.updateReady);
    writeFile(u"swapped"_s, "MZ swapped in");
    ASSERT_EQ(::rename(QFile::encodeName(dir.filePath(u"swapped"_s)).constData(),
                       QFile::encodeName(installer()).constData()),
              0);
    button(update, "cmdExit")->click();
    EXPECT_EQ(processes.started, QStringList{installer()});
    EXPECT_EQ(processes.startedPrograms, QList<QByteArray>{"MZ verified"});
}

// The download stops past the announced size with its margin: a server that
// announces 1 KB and sends 3 MB leaves no installer and starts nothing.
TEST_F(UpdatePage, AnInstallerFarLargerThanAnnouncedIsRefused)
{
    writeFile(u"update.exe"_s, "previous");
    serve("1216", "1", std::string(3 << 20, 'x'));
    frmUpdate* update = download();
    expectFailed(update);
    EXPECT_EQ(readFile(u"update.exe"_s), QByteArray("previous"));
    EXPECT_EQ(folder(), QStringList({u"Nuvafetch.inf"_s, u"update.exe"_s}));
    button(update, "cmdExit")->click();
    EXPECT_TRUE(processes.started.isEmpty());
    EXPECT_EQ(installerSizeLimit(1), 1024 + 256 + (1 << 20));
    EXPECT_EQ(installerSizeLimit(-1), installerSizeCap);
    EXPECT_EQ(installerSizeLimit(qint64(1) << 40), installerSizeCap);
}

class UnwritableUpdate : public UpdatePage {
protected:
    void SetUp() override
    {
        // Below a regular file no folder can be written, not even by root,
        // so the test means the same for every user that runs it.
        writeFile(u"blocker"_s, "a file, not a folder");
        appDir = dir.filePath(u"blocker/app"_s);
        state.productName = u"Parlivox"_s;
        serve("1216", "1", "MZ");
    }
};

TEST_F(UnwritableUpdate, InstallerGoesToThePrivateCacheFolderAndStartsFromThere)
{
    startAt(PageId::Update);
    frmUpdate* update = page<frmUpdate>();
    ASSERT_NE(update, nullptr);
    EXPECT_EQ(label(update, "lblStatus")->text(), downloadedText);
    const QString cached = cacheFolder + u"/update.exe"_s;
    EXPECT_EQ(state.installerPath, cached);
    QFile file(cached);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("MZ"));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(cacheFolder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(QDir(cacheFolder).entryList(QDir::Files | QDir::Hidden),
              QStringList{u"update.exe"_s});
    button(update, "cmdExit")->click();
    EXPECT_EQ(processes.started, QStringList{cached});
}

TEST_F(UnwritableUpdate, NoWritableFolderFailsNamingItAndAsksTheServerNothing)
{
    cacheFolder = dir.filePath(u"blocker/cache/Nuvafetch"_s);
    startAt(PageId::Update);
    expectFailed(page<frmUpdate>(),
                 u"Fetchwell cannot write to the folder "_s + cacheFolder + u'.');
    EXPECT_TRUE(server.requests().empty());
    button(page<frmUpdate>(), "cmdExit")->click();
    EXPECT_TRUE(processes.started.isEmpty());
}

TEST_F(UpdatePage, EnterRunsNextWheneverItIsEnabledAndNeverBack)
{
    serve("1216", "1", "MZ");
    start();
    pressEnter(page<frmIntro>());
    frmCheck* check = page<frmCheck>();
    ASSERT_NE(check, nullptr);
    ASSERT_TRUE(button(check, "cmdNext")->isEnabled());
    ASSERT_TRUE(button(check, "cmdBack")->isEnabled());
    EXPECT_EQ(check->focusWidget(), button(check, "cmdNext"));
    // Even with the focus on Back, Enter goes forward.
    check->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(check));
    button(check, "cmdBack")->setFocus();
    QTest::keyClick(button(check, "cmdBack"), Qt::Key_Return);
    frmUpdate* update = page<frmUpdate>();
    ASSERT_NE(update, nullptr);
    EXPECT_TRUE(state.updateReady);
    // Without Next the focus is on Install, and Enter installs.
    pressEnter(update);
    EXPECT_EQ(processes.started, QStringList{installer()});
    EXPECT_TRUE(wizard->finished());
}

// A folder another user could write to, or any above the installer's, is
// never where the installer is kept: it could be swapped there.
TEST_F(UnwritableUpdate, AFolderOthersCanWriteIsNotUsed)
{
    const QString open = dir.filePath(u"open"_s);
    ASSERT_TRUE(QDir().mkpath(open + u"/app"_s));
    ::chmod(QFile::encodeName(open).constData(), 0777);
    appDir = open + u"/app"_s;
    cacheFolder = open + u"/cache/Nuvafetch"_s;
    startAt(PageId::Update);
    expectFailed(page<frmUpdate>(),
                 u"Fetchwell cannot write to the folder "_s + cacheFolder + u'.');
    EXPECT_TRUE(server.requests().empty());
    EXPECT_FALSE(onlyUserCanWrite(open + u"/app"_s));
    ::chmod(QFile::encodeName(open).constData(), 01777); // sticky, as /tmp is
    EXPECT_TRUE(onlyUserCanWrite(open + u"/app"_s));
}
