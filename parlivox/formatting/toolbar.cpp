// The toolbar's command dispatch and the formatting buttons.
#include "parlivox/common/services.h"
#include "parlivox/shell/appstate.h"
#include "parlivox/shell/frmMain.h"
#include "platform/error.h"
#include "platform/ui/commondialog.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/richtextbox.h"

#include <functional>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

/// The colour chooser offers no part for defining custom colours.
constexpr int CC_PREVENTFULLOPEN = 4;

/// Flips a true or false property; a mixed selection is left alone.
void toggle(std::optional<bool> current, const std::function<void(bool)>& set)
{
    if (current == false)
        set(true);
    else if (current == true)
        set(false);
}

} // namespace

void frmMain::Toolbar1_ButtonClick(const QString& key)
{
    // Keys compare exactly; a key not listed here does nothing.
    platform::RichTextBox& editor = *txtConvert;
    if (key == u"new"_s) {
        newFile();
    } else if (key == u"open"_s) {
        openFile();
    } else if (key == u"save"_s) {
        saveFile();
    } else if (key == u"print"_s) {
        mnuPrint_Click();
    } else if (key == u"speech"_s) {
        speechButton_Click();
    } else if (key == u"playpause"_s) {
        PlayPause();
    } else if (key == u"stop"_s) {
        StopText();
    } else if (key == u"prop"_s) {
        mnuPrefs_Click();
    } else if (key == u"fntBold"_s) {
        toggle(editor.SelBold(), [&](bool on) { editor.setSelBold(on); });
    } else if (key == u"fntItalic"_s) {
        toggle(editor.SelItalic(), [&](bool on) { editor.setSelItalic(on); });
    } else if (key == u"fntUnderline"_s) {
        toggle(editor.SelUnderline(), [&](bool on) { editor.setSelUnderline(on); });
    } else if (key == u"fntColour"_s) {
        setColour();
    } else if (key == u"fntLeft"_s) {
        editor.setSelAlignment(platform::RichTextBox::rtfLeft);
    } else if (key == u"fntCentre"_s) {
        editor.setSelAlignment(platform::RichTextBox::rtfCenter);
    } else if (key == u"fntRight"_s) {
        editor.setSelAlignment(platform::RichTextBox::rtfRight);
    } else if (key == u"about"_s) {
        // The button shows "Help": it opens the help contents, not the About box.
        mnuContents_Click();
    }
}

void frmMain::setColour()
{
    platform::CommonDialog& dialog = m_platform.dialog;
    try {
        dialog.setFlags(CC_PREVENTFULLOPEN);
        dialog.ShowColor();
        txtConvert->setSelColor(dialog.Color());
    } catch (const platform::Error& error) {
        if (error.number() == platform::err::Cancel)
            return;
        platform::showFailure(m_platform.messageBox, error);
    }
}
