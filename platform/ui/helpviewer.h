#pragma once

#include <QString>

#include <functional>

#include <memory>

class QTextBrowser;

namespace platform {

/// Shows the program's help file.
class HelpViewer {
public:
    HelpViewer() = default;
    HelpViewer(const HelpViewer&) = delete;
    HelpViewer& operator=(const HelpViewer&) = delete;
    virtual ~HelpViewer() = default;

    /// Opens helpFile (an HTML page) at its contents, without blocking.
    virtual void showContents(const QString& helpFile) = 0;
};

/// A QTextBrowser window of its own, reused by later requests.
class QtHelpViewer final : public HelpViewer {
public:
    /// What the program fills into its help page as it is shown (what only
    /// the running system knows); the page's text in, the page out.
    using Filler = std::function<QString(QString)>;
    /// title: the caption of the help window.
    explicit QtHelpViewer(QString title, Filler filler = {});
    ~QtHelpViewer() override;
    void showContents(const QString& helpFile) override;

private:
    QString m_title;
    Filler m_filler;
    std::unique_ptr<QTextBrowser> m_window;
};

} // namespace platform
