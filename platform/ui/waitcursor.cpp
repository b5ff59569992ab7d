#include "platform/ui/waitcursor.h"

#include <QApplication>
#include <QWidget>

namespace platform {

WaitCursor::WaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::WaitCursor(QWidget& window) : m_window(&window)
{
    window.setCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    if (m_window)
        m_window->unsetCursor();
    else
        QApplication::restoreOverrideCursor();
}

} // namespace platform
