// Font lists, the editor reset and the editor's notifications.
#include "parlivox/shell/appstate.h"
#include "parlivox/shell/frmMain.h"
#include "platform/convert.h"
#include "platform/richtext/richtextbox.h"

#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {

const QString defaultFontName = u"Arial"_s;

/// The size list, in its order; "10" (index 1) is the default.
const QStringList fontSizes = {u"8"_s,  u"10"_s, u"12"_s, u"14"_s, u"16"_s, u"18"_s, u"20"_s,
                               u"22"_s, u"24"_s, u"30"_s, u"34"_s, u"48"_s, u"72"_s};

/// Selects every entry equal to name, one after another, so the last match
/// stays selected; each selection runs the list's click handler.
void selectEveryMatch(QComboBox& list, const QString& name)
{
    for (int i = 0; i < list.count(); ++i) {
        if (list.itemText(i) == name)
            list.setCurrentIndex(i);
    }
}

} // namespace

void frmMain::initFonts()
{
    // The screen's fonts, in alphabetical order ignoring case.
    QStringList families = QFontDatabase::families();
    families.removeDuplicates();
    std::sort(families.begin(), families.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    cmbFont->addItems(families);
    cmbFont->setCurrentIndex(-1);
    selectEveryMatch(*cmbFont, defaultFontName);

    cmbFontSize->addItems(fontSizes);
    cmbFontSize->setCurrentIndex(1);
}

void frmMain::cmbFont_Click()
{
    txtConvert->setSelFontName(cmbFont->currentText());
}

void frmMain::cmbFontSize_Click()
{
    if (cmbFontSize->currentIndex() < 0)
        return;
    txtConvert->setSelFontSize(platform::toInt16(cmbFontSize->currentText()));
}

void frmMain::clear()
{
    selectEveryMatch(*cmbFont, defaultFontName);
    cmbFontSize->setCurrentIndex(1);
    txtConvert->setText(QString());
    m_state.document.blnChanged = false;
    m_state.document.blnNamed = false;
    // The typing format of the new document's first characters.
    txtConvert->setSelFontName(cmbFont->currentText());
    txtConvert->setSelFontSize(10);
    txtConvert->setSelColor(Qt::black);
    txtConvert->setSelBold(false);
    txtConvert->setSelItalic(false);
    txtConvert->setSelUnderline(false);
    txtConvert->setSelAlignment(platform::RichTextBox::rtfLeft);
}

void frmMain::findFont()
{
    const platform::SelectionFormat format = txtConvert->selectionFormat();
    if (format.fontName)
        selectEveryMatch(*cmbFont, *format.fontName);
    if (!format.fontSize)
        return;
    if (*format.fontSize == 10) {
        cmbFontSize->setCurrentIndex(1);
        return;
    }
    for (int i = 0; i < cmbFontSize->count(); ++i) {
        if (*format.fontSize == cmbFontSize->itemText(i).toDouble())
            cmbFontSize->setCurrentIndex(i);
    }
}

void frmMain::txtConvert_Change()
{
    const bool hasText = txtConvert->TextLength() >= 1;
    setMenuEnabled(mnuConvert, hasText);
    mnuSelectAll->setEnabled(hasText);
    button(u"speech"_s)->setEnabled(hasText);
    if (hasText)
        m_state.document.blnChanged = true;
}

void frmMain::refreshSelection()
{
    const bool selected = txtConvert->SelLength() >= 1;
    mnuCut->setEnabled(selected);
    mnuCopy->setEnabled(selected);
    mnuConvertSel->setEnabled(selected);
    findFont();
}
