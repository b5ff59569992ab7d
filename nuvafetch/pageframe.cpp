#include "nuvafetch/pageframe.h"

#include "nuvafetch/background.h"
#include "nuvafetch/logic/updatecheck.h"
#include "nuvafetch/services.h"
#include "nuvafetch/wizard.h"
#include "platform/error.h"
#include "platform/inet.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/screen.h"

#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

namespace {

/// The picture of an SVG resource drawn at exactly size; empty when the
/// resource is missing or unreadable, so that a page never fails for it.
QPixmap renderPicture(const QString& resource, QSize size)
{
    if (!QFile::exists(resource))
        return {};
    QSvgRenderer renderer(resource);
    if (!renderer.isValid())
        return {};
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

QFrame* etchedLine(QWidget* parent, const char* name, int y, QColor colour)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setGeometry(8, y, 417, 1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    return line;
}

QPushButton* frameButton(QWidget* parent, const char* name, int x, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(x, 256, 73, 25);
    return button;
}

} // namespace

PageFrame::PageFrame(Wizard& wizard)
    : m_wizard(wizard), m_services(wizard.services), m_state(wizard.state),
      Inet(wizard.services.inet)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(u"Fetchwell"_s);
    setFont(platform::dialogFont());
    setFixedSize(433, 287);

    imgSide = addPicture("imgSide", QRect(8, 8, 105, 227), u":/nuvafetch/side.svg"_s);
    lblCpyR = addLabel("lblCpyR", QRect(128, 224, 185, 17), u"Copyright © 2026 Fetchwell"_s);
    lblCpyR->setWordWrap(false);
    imgUK = addPicture("imgUK", QRect(408, 224, 18, 12), u":/nuvafetch/small.svg"_s);
    Line1 = etchedLine(this, "Line1", 248, QColor(128, 128, 128));
    Line2 = etchedLine(this, "Line2", 249, Qt::white);
    cmdBack = frameButton(this, "cmdBack", 200, u"< &Back"_s);
    cmdNext = frameButton(this, "cmdNext", 272, u"&Next >"_s);
    cmdExit = frameButton(this, "cmdExit", 352, u"E&xit"_s);
    cmdNext->setDefault(true);
    lblVer = addLabel("lblVer", QRect(8, 264, 185, 17), QString());
    setTabOrder(cmdNext, cmdExit);
    setTabOrder(cmdExit, cmdBack);
    for (QPushButton* button : {cmdBack, cmdNext, cmdExit})
        button->installEventFilter(this);
    arrangeDefaultButton();

    platform::centreOnScreen(*this);
}

PageFrame::~PageFrame() = default;

void PageFrame::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (m_transferring)
        Inet.cancel();
    m_wizard.pageClosed(*this);
}

bool PageFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::EnabledChange &&
        (watched == cmdBack || watched == cmdNext || watched == cmdExit))
        arrangeDefaultButton();
    return QDialog::eventFilter(watched, event);
}

void PageFrame::arrangeDefaultButton()
{
    // A focused button that is no "auto default" passes Enter on to the
    // dialog, which clicks its default button, Next, when it is enabled.
    cmdBack->setAutoDefault(false);
    if (cmdNext->isEnabled()) {
        // Exit gives the default back to Next as it loses the focus, which it
        // only does while it is still an auto default itself.
        cmdNext->setFocus();
        cmdExit->setAutoDefault(false);
        cmdNext->setDefault(true);
    } else {
        cmdExit->setAutoDefault(true);
        if (cmdExit->isEnabled())
            cmdExit->setFocus();
        else if (cmdBack->isEnabled())
            cmdBack->setFocus();
    }
}

void PageFrame::closeEvent(QCloseEvent* event)
{
    event->accept();
    unload();
}

void PageFrame::setVersionLabel()
{
    lblVer->setText(versionLabel());
}

void PageFrame::showNow()
{
    show();
    repaint();
}

QLabel* PageFrame::addLabel(const char* name, QRect place, const QString& text, bool bold)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    setBold(label, bold);
    return label;
}

QLineEdit* PageFrame::addProductBox(int y)
{
    auto* box = new QLineEdit(this);
    box->setObjectName(u"txtProduct"_s);
    box->setGeometry(128, y, 297, 33);
    box->setReadOnly(true);
    setTabOrder(cmdBack, box);
    return box;
}

QLabel* PageFrame::addPicture(const char* name, QRect place, const QString& resource)
{
    auto* image = new QLabel(this);
    image->setObjectName(QString::fromLatin1(name));
    image->setGeometry(place);
    image->setPixmap(renderPicture(resource, place.size()));
    return image;
}

void PageFrame::setBold(QLabel* label, bool bold)
{
    QFont face = label->font();
    face.setBold(bold);
    label->setFont(face);
}

void PageFrame::transfer(const std::function<void()>& job)
{
    m_transferring = true;
    try {
        runInBackground(job);
    } catch (...) {
        m_transferring = false;
        throw;
    }
    m_transferring = false;
}

void PageFrame::guarded(const std::function<void()>& handler)
{
    try {
        handler();
        return;
    } catch (const platform::Error& error) {
        platform::showFailure(m_services.messageBox, error);
        return;
    } catch (...) {
        const platform::Error error = platform::unexpectedError(std::current_exception());
        // Memory may still be short: the updater goes on even if telling fails.
        try {
            platform::showFailure(m_services.messageBox, error);
        } catch (...) {
        }
    }
}
