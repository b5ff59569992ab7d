#include "platform/ui/helpviewer.h"

#include "platform/error.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

namespace platform {
namespace {

/// A browser that passes the pages it loads through the program's filler.
class FilledBrowser final : public QTextBrowser {
public:
    explicit FilledBrowser(QtHelpViewer::Filler filler) : m_filler(std::move(filler)) {}

    QVariant loadResource(int type, const QUrl& name) override
    {
        QVariant resource = QTextBrowser::loadResource(type, name);
        if (type != QTextDocument::HtmlResource || !m_filler)
            return resource;
        const QString page = resource.typeId() == QMetaType::QByteArray
                                 ? QString::fromUtf8(resource.toByteArray())
                                 : resource.toString();
        return m_filler(page);
    }

private:
    QtHelpViewer::Filler m_filler;
};

} // namespace

QtHelpViewer::QtHelpViewer(QString title, Filler filler)
    : m_title(std::move(title)), m_filler(std::move(filler))
{
}
QtHelpViewer::~QtHelpViewer() = default;

void QtHelpViewer::showContents(const QString& helpFile)
{
    if (!QFileInfo::exists(helpFile))
        throw Error(err::FileNotFound, QStringLiteral("File not found: ") + helpFile);
    if (!m_window) {
        m_window = std::make_unique<FilledBrowser>(m_filler);
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
