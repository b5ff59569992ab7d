#include "parlivox/formatting/formatting.h"

#include "parlivox/common/editorwindow.h"
#include "parlivox/common/logic/appstate.h"
#include "parlivox/common/logic/services.h"
#include "parlivox/formatting/logic/fontlist.h"
#include "platform/convert.h"
#include "platform/error.h"
#include "platform/richtextbox/richtextbox.h"
#include "platform/ui/commondialog.h"
#include "platform/ui/messagebox.h"

#include <QComboBox>
#include <QSignalBlocker>

#include <functional>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

/// The colour chooser offers no part for defining custom colours.
constexpr int CC_PREVENTFULLOPEN = 4;

/// Selects every entry equal to name, one after another, so the last match
/// stays selected; each selection runs the list's click handler.
void selectEveryMatch(QComboBox& list, const QString& name)
{
    for (int i = 0; i < list.count(); ++i) {
        if (list.itemText(i) == name)
            list.setCurrentIndex(i);
    }
}

/// Flips a true or false property; a mixed selection is left alone.
void toggle(std::optional<bool> current, const std::function<void(bool)>& set)
{
    if (current == false)
        set(true);
    else if (current == true)
        set(false);
}

} // namespace

Formatting::Formatting(EditorWindow& window, EditorServices& services, AppState& state,
                       QComboBox& fontList, QComboBox& sizeList)
    : m_window(window), m_services(services), m_state(state), cmbFont(fontList),
      cmbFontSize(sizeList)
{
}

void Formatting::initFonts()
{
    {
        // Filling a list is not a pick: a list that receives its first entry
        // would otherwise select it and apply it to the editor.
        const QSignalBlocker fontBlocker(cmbFont);
        const QSignalBlocker sizeBlocker(cmbFontSize);
        cmbFont.clear();
        cmbFont.addItems(fontlist::screenFonts());
        cmbFont.setCurrentIndex(-1);
        cmbFontSize.clear();
        cmbFontSize.addItems(fontlist::sizes());
        cmbFontSize.setCurrentIndex(-1);
    }
    selectEveryMatch(cmbFont, fontlist::defaultFontName);
    cmbFontSize.setCurrentIndex(fontlist::defaultSizeIndex);
}

void Formatting::cmbFont_Click()
{
    const QString name = cmbFont.currentText();
    platform::RichTextBox& editor = m_window.editor();
    // Applying the font the selection already has changes nothing, so it must
    // not count as an edit of the document either.
    if (name.isEmpty() || editor.SelFontName() == name)
        return;
    editor.setSelFontName(name);
}

void Formatting::cmbFontSize_Click()
{
    if (cmbFontSize.currentIndex() < 0)
        return;
    const std::int16_t size = platform::toInt16(cmbFontSize.currentText());
    platform::RichTextBox& editor = m_window.editor();
    if (editor.SelFontSize() == static_cast<double>(size))
        return;
    editor.setSelFontSize(size);
}

void Formatting::clear()
{
    platform::RichTextBox& editor = m_window.editor();
    selectEveryMatch(cmbFont, fontlist::defaultFontName);
    cmbFontSize.setCurrentIndex(fontlist::defaultSizeIndex);
    editor.setText(QString());
    m_state.document.blnChanged = false;
    m_state.document.blnNamed = false;
    // The typing format of the new document's first characters. With no font
    // named "Arial" the list shows nothing, and the current font stays.
    editor.setSelFontName(cmbFont.currentText());
    editor.setSelFontSize(fontlist::defaultFontSize);
    editor.setSelColor(Qt::black);
    editor.setSelBold(false);
    editor.setSelItalic(false);
    editor.setSelUnderline(false);
    editor.setSelAlignment(platform::RichTextBox::rtfLeft);
}

void Formatting::findFont()
{
    const platform::SelectionFormat format = m_window.editor().selectionFormat();
    // A mixed name or size matches no entry: the list keeps what it showed.
    if (format.fontName)
        selectEveryMatch(cmbFont, *format.fontName);
    if (!format.fontSize)
        return;
    if (*format.fontSize == fontlist::defaultFontSize) {
        cmbFontSize.setCurrentIndex(fontlist::defaultSizeIndex);
        return;
    }
    for (int i = 0; i < cmbFontSize.count(); ++i) {
        if (*format.fontSize == cmbFontSize.itemText(i).toDouble())
            cmbFontSize.setCurrentIndex(i);
    }
}

void Formatting::txtConvert_Change()
{
    const bool hasText = m_window.editor().TextLength() >= 1;
    m_window.setMenuEnabled(Menu::Convert, hasText);
    m_window.setItemEnabled(MenuItem::SelectAll, hasText);
    m_window.setButtonEnabled(ToolButton::Speech, hasText);
    // An edit that leaves the document empty does not mark it changed.
    if (hasText)
        m_state.document.blnChanged = true;
}

void Formatting::refreshSelection()
{
    const bool selected = m_window.editor().SelLength() >= 1;
    m_window.setItemEnabled(MenuItem::Cut, selected);
    m_window.setItemEnabled(MenuItem::Copy, selected);
    m_window.setItemEnabled(MenuItem::ConvertSel, selected);
    findFont();
}

// ---- the formatting buttons -------------------------------------------------------

void Formatting::toggleBold()
{
    platform::RichTextBox& editor = m_window.editor();
    toggle(editor.SelBold(), [&](bool on) { editor.setSelBold(on); });
}

void Formatting::toggleItalic()
{
    platform::RichTextBox& editor = m_window.editor();
    toggle(editor.SelItalic(), [&](bool on) { editor.setSelItalic(on); });
}

void Formatting::toggleUnderline()
{
    platform::RichTextBox& editor = m_window.editor();
    toggle(editor.SelUnderline(), [&](bool on) { editor.setSelUnderline(on); });
}

void Formatting::setColour()
{
    platform::CommonDialog& dialog = m_services.dialog;
    try {
        dialog.setFlags(CC_PREVENTFULLOPEN);
        dialog.ShowColor();
        m_window.editor().setSelColor(dialog.Color());
    } catch (const platform::Error& error) {
        if (error.number() == platform::err::Cancel)
            return;
        platform::showFailure(m_services.messageBox, error);
    }
}

void Formatting::align(int alignment)
{
    m_window.editor().setSelAlignment(alignment);
}
