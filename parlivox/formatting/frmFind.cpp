#include "parlivox/formatting/frmFind.h"

#include "parlivox/common/logic/appstate.h"
#include "platform/richtextbox/richtextbox.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/screen.h"
#include "platform/ui/waitcursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

/// Places a control by its position and size in twips. Captions rendered in
/// a substitute for the dialog font may need more room than the twips give;
/// a control then grows to the right, where the layout leaves space.
void place(QWidget& control, int left, int top, int width, int height, bool growToFit = false)
{
    int pixels = platform::twipsToPixels(width);
    if (growToFit)
        pixels = std::max(pixels, control.sizeHint().width());
    control.setGeometry(platform::twipsToPixels(left), platform::twipsToPixels(top), pixels,
                        platform::twipsToPixels(height));
}

} // namespace

int frmFind::findOptions(bool wholeWord, bool matchCase)
{
    int options = 0;
    if (wholeWord)
        options += platform::RichTextBox::rtfWholeWord;
    if (matchCase)
        options += platform::RichTextBox::rtfMatchCase;
    return options;
}

frmFind::frmFind(platform::RichTextBox& editor, AppState& state, platform::MessageBox& messageBox,
                 QWidget* parent)
    : QDialog(parent), m_editor(editor), m_state(state), m_messageBox(messageBox)
{
    setObjectName(u"frmFind"_s);
    setWindowTitle(u"Find..."_s);
    // A fixed dialog without minimise and maximise buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(platform::dialogFont());
    setFixedSize(platform::twipsToPixels(5520), platform::twipsToPixels(1335));

    lblFind = new QLabel(u"Find:"_s, this);
    lblFind->setObjectName(u"lblFind"_s);
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(u"txtFind"_s);
    lblFind->setBuddy(txtFind);
    chkWord = new QCheckBox(u"Find &Whole Word Only"_s, this);
    chkWord->setObjectName(u"chkWord"_s);
    chkCase = new QCheckBox(u"Match &Case"_s, this);
    chkCase->setObjectName(u"chkCase"_s);
    cmdFind = new QPushButton(u"&Find Next"_s, this);
    cmdFind->setObjectName(u"cmdFind"_s);
    cmdFind->setDefault(true);
    cmdFind->setEnabled(false);
    cmdCancel = new QPushButton(u"&Cancel"_s, this);
    cmdCancel->setObjectName(u"cmdCancel"_s);
    cmdCancel->setAutoDefault(false);

    place(*lblFind, 120, 240, 495, 255, true);
    place(*txtFind, 720, 240, 3375, 285);
    place(*chkWord, 720, 600, 1935, 255, true);
    place(*chkCase, 720, 960, 1215, 255, true);
    place(*cmdFind, 4200, 240, 1095, 375);
    place(*cmdCancel, 4200, 720, 1095, 375);

    setTabOrder(txtFind, chkWord);
    setTabOrder(chkWord, chkCase);
    setTabOrder(chkCase, cmdFind);
    setTabOrder(cmdFind, cmdCancel);
    txtFind->setFocus();

    connect(txtFind, &QLineEdit::textChanged, this, &frmFind::txtFind_Change);
    connect(cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    // Esc reaches reject() as well: both unload the dialog.
    connect(cmdCancel, &QPushButton::clicked, this, &frmFind::cmdCancel_Click);

    if (parent)
        platform::centreOnParent(*this);
}

void frmFind::txtFind_Change()
{
    cmdFind->setEnabled(txtFind->text().length() >= 1);
}

void frmFind::cmdFind_Click()
{
    const int options = findOptions(chkWord->isChecked(), chkCase->isChecked());
    // A start past the end of a shortened document finds nothing. Selecting
    // a match far into a large document that the editor has not laid out yet
    // can take a moment: show that it is busy.
    const int position = [&] {
        const platform::WaitCursor busy;
        return m_editor.Find(txtFind->text(), m_state.findStart, options);
    }();
    m_state.findStart = position + m_editor.SelLength();
    if (position != -1)
        return;
    hide();
    m_messageBox.show(u"The specified text was not found."_s, u"Not found"_s,
                      platform::MsgButtons::OK, platform::MsgIcon::Information);
    m_state.findStart = 0;
    done(QDialog::Rejected);
}

void frmFind::cmdCancel_Click()
{
    // findStart keeps its value: the next search goes on behind the last match.
    reject();
}
