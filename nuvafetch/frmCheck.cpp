#include "nuvafetch/frmCheck.h"

#include "nuvafetch/logic/descriptor.h"
#include "nuvafetch/logic/updatecheck.h"
#include "nuvafetch/logic/wizardstate.h"
#include "nuvafetch/services.h"
#include "nuvafetch/wizard.h"
#include "platform/convert.h"
#include "platform/error.h"
#include "platform/inet.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

frmCheck::frmCheck(Wizard& wizard) : PageFrame(wizard)
{
    lblChecking =
        addLabel("lblChecking", QRect(128, 8, 297, 33),
                 u"Fetchwell is checking for updates for the following software application:"_s);
    txtProduct = addProductBox(48);
    lblStatus = addLabel("lblStatus", QRect(128, 96, 297, 33), u"Connecting to update server..."_s);
    cmdBack->setEnabled(false);
    cmdNext->setEnabled(false);
    onClick(cmdBack, &frmCheck::cmdBack_Click);
    onClick(cmdNext, &frmCheck::cmdNext_Click);
    onClick(cmdExit, &frmCheck::cmdExit_Click);
}

void frmCheck::load()
{
    // The name is read again here but not judged: page 1 has done that.
    m_state.descriptorPath = descriptorPathIn(m_services.applicationDirectory);
    txtProduct->setText(readProductNameFile(m_state.descriptorPath));
    setVersionLabel();
    showNow();
    cmdExit->setEnabled(false);
    check_update();
}

QString frmCheck::fetchText(const QString& address)
{
    QByteArray reply;
    transfer([&] { reply = Inet.OpenURL(address); });
    return QString::fromUtf8(reply);
}

void frmCheck::check_update()
{
    try {
        const QString reply = fetchText(versionAddress(m_services.serverBase, txtProduct->text()));
        if (unloaded())
            return;
        lblStatus->setText(u"Processing update list..."_s);
        const std::int32_t local =
            localVersionNumber(m_state.majorText, m_state.minorText, m_state.revText);
        const std::int32_t remote = platform::toInt32(reply);
        if (compareVersions(local, remote) == CheckOutcome::NoUpdate) {
            noUpdate();
            return;
        }
        // The size is shown as the server wrote it, without the line end a
        // file on a server usually carries.
        const QString sizeText =
            fetchText(sizeAddress(m_services.serverBase, txtProduct->text())).trimmed();
        if (unloaded())
            return;
        setBold(lblStatus, true);
        lblStatus->setText(updateAvailableText(sizeText));
        // The size must be a number; it bounds the download.
        m_state.announcedKb = platform::toInt32(sizeText);
        cmdNext->setEnabled(true);
        cmdBack->setEnabled(true);
        cmdExit->setEnabled(true);
    } catch (const platform::Error&) {
        // A closed page's transfer was cancelled: there is nobody to tell.
        if (!unloaded())
            connectionError();
    }
}

void frmCheck::noUpdate()
{
    setBold(lblStatus, true);
    cmdExit->setEnabled(true);
    lblStatus->setText(u"No update available. Press Finish to exit Fetchwell."_s);
    cmdExit->setText(u"&Finish"_s);
    cmdBack->setEnabled(false);
    cmdNext->setEnabled(false);
}

void frmCheck::connectionError()
{
    lblStatus->setText(u"ERROR: Fetchwell was unable to connect to the update server."_s);
    setBold(lblStatus, true);
    cmdExit->setText(u"&Finish"_s);
    cmdExit->setEnabled(true);
    cmdBack->setEnabled(false);
    cmdNext->setEnabled(false);
    repaint();
}

void frmCheck::cmdBack_Click()
{
    m_wizard.moveTo(PageId::Intro);
}

void frmCheck::cmdNext_Click()
{
    m_wizard.moveTo(PageId::Update);
}

void frmCheck::cmdExit_Click()
{
    unload();
}
