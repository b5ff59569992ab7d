#include "nuvafetch/frmIntro.h"

#include "nuvafetch/logic/descriptor.h"
#include "nuvafetch/logic/wizardstate.h"
#include "nuvafetch/services.h"
#include "nuvafetch/wizard.h"
#include "platform/ui/messagebox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

frmIntro::frmIntro(Wizard& wizard) : PageFrame(wizard)
{
    lblWelcome = addLabel("lblWelcome", QRect(128, 8, 297, 17), u"Welcome to Fetchwell."_s, true);
    lblDesc = addLabel("lblDesc", QRect(128, 40, 297, 33),
                       u"Fetchwell will check for upgrades for the following software product:"_s);
    txtProduct = addProductBox(72);
    lblNote = addLabel(
        "lblNote", QRect(128, 120, 297, 41),
        u"Please note that Fetchwell uses the standard internet port settings (port 80) to connect to the update server, so please ensure your firewall is configured for Fetchwell."_s);
    Label1 = addLabel("Label1", QRect(128, 168, 297, 17),
                      u"Note: No personal information is sent during this process."_s);
    // Page 1 has no Back action.
    cmdBack->setEnabled(false);
    onClick(cmdNext, &frmIntro::cmdNext_Click);
    onClick(cmdExit, &frmIntro::cmdExit_Click);
}

void frmIntro::load()
{
    m_state.descriptorPath = descriptorPathIn(m_services.applicationDirectory);
    const auto descriptor = readDescriptorFile(m_state.descriptorPath);
    if (!descriptor) {
        m_services.messageBox.show(criticalErrorText(), u"Critical Error"_s,
                                   platform::MsgButtons::OK, platform::MsgIcon::Critical);
        unload();
        return;
    }
    txtProduct->setText(descriptor->productName);
    m_state.productName = txtProduct->text();
    m_state.majorText = descriptor->majorText;
    m_state.minorText = descriptor->minorText;
    m_state.revText = descriptor->revText;
    m_state.publicKey = descriptor->publicKey;
    setVersionLabel();
    showNow();
}

void frmIntro::cmdNext_Click()
{
    m_wizard.moveTo(PageId::Check);
}

void frmIntro::cmdExit_Click()
{
    unload();
}
