// Font lists, the editor reset and the editor's notifications.
#include "parlivox/shell/appstate.h"
#include "parlivox/shell/frmMain.h"
#include "platform/convert.h"
#include "platform/ui/richtextbox.h"

#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QMenu>
#include <QSignalBlocker>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString defaultFontName = u"Arial"_s;
constexpr int defaultSizeIndex = 1;
constexpr double defaultFontSize = 10;

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

/// The screen's font families in the order the list keeps them: alphabetical,
/// ignoring case.
QStringList screenFonts()
{
    QStringList families = QFontDatabase::families();
    families.removeDuplicates();
    std::stable_sort(families.begin(), families.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return families;
}

} // namespace

void frmMain::initFonts()
{
    {
        // Filling a list is not a pick: a list that receives its first entry
        // would otherwise select it and apply it to the editor.
        const QSignalBlocker fontBlocker(cmbFont);
        const QSignalBlocker sizeBlocker(cmbFontSize);
        cmbFont->clear();
        cmbFont->addItems(screenFonts());
        cmbFont->setCurrentIndex(-1);
        cmbFontSize->clear();
        cmbFontSize->addItems(fontSizes);
        cmbFontSize->setCurrentIndex(-1);
    }
    selectEveryMatch(*cmbFont, defaultFontName);
    cmbFontSize->setCurrentIndex(defaultSizeIndex);
}

void frmMain::cmbFont_Click()
{
    const QString name = cmbFont->currentText();
    // Applying the font the selection already has changes nothing, so it must
    // not count as an edit of the document either.
    if (name.isEmpty() || txtConvert->SelFontName() == name)
        return;
    txtConvert->setSelFontName(name);
}

void frmMain::cmbFontSize_Click()
{
    if (cmbFontSize->currentIndex() < 0)
        return;
    const std::int16_t size = platform::toInt16(cmbFontSize->currentText());
    if (txtConvert->SelFontSize() == static_cast<double>(size))
        return;
    txtConvert->setSelFontSize(size);
}

void frmMain::clear()
{
    selectEveryMatch(*cmbFont, defaultFontName);
    cmbFontSize->setCurrentIndex(defaultSizeIndex);
    txtConvert->setText(QString());
    m_state.document.blnChanged = false;
    m_state.document.blnNamed = false;
    // The typing format of the new document's first characters. With no font
    // named "Arial" the list shows nothing, and the current font stays.
    txtConvert->setSelFontName(cmbFont->currentText());
    txtConvert->setSelFontSize(defaultFontSize);
    txtConvert->setSelColor(Qt::black);
    txtConvert->setSelBold(false);
    txtConvert->setSelItalic(false);
    txtConvert->setSelUnderline(false);
    txtConvert->setSelAlignment(platform::RichTextBox::rtfLeft);
}

void frmMain::findFont()
{
    const platform::SelectionFormat format = txtConvert->selectionFormat();
    // A mixed name or size matches no entry: the list keeps what it showed.
    if (format.fontName)
        selectEveryMatch(*cmbFont, *format.fontName);
    if (!format.fontSize)
        return;
    if (*format.fontSize == defaultFontSize) {
        cmbFontSize->setCurrentIndex(defaultSizeIndex);
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
    // An edit that leaves the document empty does not mark it changed.
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
