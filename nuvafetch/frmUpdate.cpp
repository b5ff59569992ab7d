#include "nuvafetch/frmUpdate.h"

#include "nuvafetch/logic/installer.h"
#include "nuvafetch/logic/updatecheck.h"
#include "nuvafetch/logic/wizardstate.h"
#include "nuvafetch/services.h"
#include "nuvafetch/wizard.h"
#include "platform/error.h"
#include "platform/inet.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/process.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

frmUpdate::frmUpdate(Wizard& wizard) : PageFrame(wizard)
{
    const QRect icon(128, 8, 32, 32);
    imgDL = addPicture("imgDL", icon, u":/nuvafetch/download.svg"_s);
    imgComplete = addPicture("imgComplete", icon, u":/nuvafetch/complete.svg"_s);
    imgFail = addPicture("imgFail", icon, u":/nuvafetch/fail.svg"_s);
    imgComplete->hide();
    imgFail->hide();
    lblStatus = addLabel(
        "lblStatus", QRect(168, 8, 257, 81),
        u"Please wait while your update is downloaded. This may take several minutes, depending on your connection speed."_s);
    // Back and Next stay disabled on this page throughout.
    cmdBack->setEnabled(false);
    cmdNext->setEnabled(false);
    cmdExit->setEnabled(false);
    onClick(cmdExit, &frmUpdate::cmdExit_Click);
}

void frmUpdate::load()
{
    showNow();
    const QString address = installerAddress(m_services.serverBase, m_state.productName);
    setVersionLabel();
    // Nothing is asked of the server when the installer could not be kept.
    const InstallerPlace place =
        placeInstaller(m_services.applicationDirectory, m_services.cacheFolder);
    if (place.path.isEmpty()) {
        failed(unwritableFolderText(place.unwritableFolder));
        return;
    }
    const QString& path = place.path;
    SavedInstaller saved;
    try {
        QCoreApplication::processEvents();
        // Written beside the old installer and renamed over it only when it is
        // complete, no larger than announced and, with the publisher's key,
        // signed by the publisher.
        const qint64 limit = installerSizeLimit(m_state.announcedKb);
        transfer([&] { saved = downloadInstaller(Inet, address, path, m_state.publicKey, limit); });
        QCoreApplication::processEvents();
    } catch (const platform::Error&) {
        if (!unloaded())
            failed();
        return;
    }
    if (unloaded())
        return;
    m_state.installerPath = path;
    m_state.installer = std::move(saved.file);
    if (saved.size < 2)
        failed();
    else
        downloaded();
}

void frmUpdate::downloaded()
{
    m_state.updateReady = true;
    lblStatus->setText(
        u"Your software product update has been downloaded and the update installation will begin when you click on the Install button."_s +
        u"\r\n\r\n"_s + u"Thank you for using Fetchwell."_s);
    imgDL->hide();
    imgComplete->show();
    cmdExit->setText(u"&Install"_s);
    cmdExit->setEnabled(true);
}

void frmUpdate::failed(const QString& reason)
{
    setBold(lblStatus, true);
    QString text =
        u"ERROR: Fetchwell failed to download the update. There may be a problem with the server. Please try again later."_s;
    if (!reason.isEmpty()) {
        text += u"\r\n"_s + reason;
        // A folder's path needs the room down to the copyright line.
        lblStatus->resize(lblStatus->width(), lblCpyR->y() - lblStatus->y());
    }
    lblStatus->setText(text);
    m_state.updateReady = false;
    cmdExit->setText(u"&Finish"_s);
    cmdExit->setEnabled(true);
    cmdBack->setEnabled(false);
    cmdNext->setEnabled(false);
    imgFail->show();
    imgDL->hide();
    imgComplete->hide();
    repaint();
}

void frmUpdate::cmdExit_Click()
{
    if (m_state.updateReady) {
        try {
            // The bytes verified, from the descriptor opened before they were:
            // a file swapped in under the same name is never started.
            m_services.processes.startOpened(m_state.installer, m_state.installerPath);
        } catch (const platform::Error& error) {
            platform::showFailureDescription(m_services.messageBox, error);
        }
    }
    unload();
}
