#include "platform/ui/helpviewer.h"

#include "platform/error.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>

namespace platform {

QtHelpViewer::QtHelpViewer(QString title) : m_title(std::move(title)) {}
QtHelpViewer::~QtHelpViewer() = default;

void QtHelpViewer::showContents(const QString& helpFile)
{
    if (!QFileInfo::exists(helpFile))
        throw Error(err::FileNotFound, QStringLiteral("File not found: ") + helpFile);
    if (!m_window) {
        m_window = std::make_unique<QTextBrowser>();
        m_window->setOpenExternalLinks(true);
        m_window->resize(720, 560);
    }
    m_window->setWindowTitle(m_title);
    // Markdown or HTML alike: the help file is an HTML page whatever its suffix.
    m_window->setSource(QUrl::fromLocalFile(helpFile), QTextDocument::HtmlResource);
    m_window->scrollToAnchor(QStringLiteral("contents"));
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace platform
