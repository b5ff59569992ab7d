#pragma once

#include <QDialog>
#include <QPushButton>

#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class Wizard;
struct UpdaterServices;
struct WizardState;
namespace platform {
class HttpClient;
}

/// The frame all three pages share: a fixed 433 x 287 window captioned
/// "Fetchwell" with the banner down the left, the copyright line, an etched
/// separator, the Back / Next / Exit buttons and the version label, centred
/// on the screen. Each page is a top-level window of its own.
class PageFrame : public QDialog {
    Q_OBJECT
public:
    explicit PageFrame(Wizard& wizard);
    ~PageFrame() override;

    /// The page's load: fills it in, shows it and runs its work.
    virtual void load() = 0;
    /// Destroys the page (hidden now, deleted later); the wizard ends with
    /// the last page.
    void unload();
    bool unloaded() const { return m_unloaded; }

protected:
    // ---- the frame's controls, which each page fills in ----------------------
    QLabel* imgSide;
    QLabel* lblCpyR;
    QLabel* imgUK;
    QFrame* Line1;
    QFrame* Line2;
    QPushButton* cmdBack;
    QPushButton* cmdNext;
    QPushButton* cmdExit;
    QLabel* lblVer;

    /// The close box destroys the page; during a transfer it cancels it first.
    void closeEvent(QCloseEvent* event) override;
    /// Escape does not close a page: only Exit and the close box do.
    void reject() override {}
    /// Follows the buttons' enabled states to keep Enter on Next.
    bool eventFilter(QObject* watched, QEvent* event) override;

    /// lblVer shows the updater's own version.
    void setVersionLabel();
    /// Shows the page and paints it at once.
    void showNow();
    /// A word-wrapped label in the page's text column.
    QLabel* addLabel(const char* name, QRect place, const QString& text, bool bold = false);
    /// A read-only box for the product name.
    QLineEdit* addProductBox(int y);
    /// An image whose picture comes from the bundled resource (nothing when
    /// the picture is missing).
    QLabel* addPicture(const char* name, QRect place, const QString& resource);
    static void setBold(QLabel* label, bool bold);
    /// Runs one transfer on a worker thread while the page keeps painting.
    /// Raises what the transfer raised; a close meanwhile cancels it.
    void transfer(const std::function<void()>& job);
    /// Connects a button to the page's handler. A failure the handler does
    /// not answer itself (out of memory, a fault of the program) is shown as
    /// the program's error and the wizard goes on, instead of ending it
    /// without a word.
    template <class Page> void onClick(QPushButton* button, void (Page::*handler)())
    {
        connect(button, &QPushButton::clicked, this, [this, handler] {
            guarded([this, handler] { (static_cast<Page*>(this)->*handler)(); });
        });
    }
    void guarded(const std::function<void()>& handler);

    Wizard& m_wizard;
    UpdaterServices& m_services;
    WizardState& m_state;
    /// The internet transfer control.
    platform::HttpClient& Inet;

private:
    /// Enter clicks Next whenever Next is enabled, wherever the focus is, and
    /// never clicks Back. Without Next the focus goes to the first enabled
    /// button in tab order, where Enter clicks it (Finish or Install).
    void arrangeDefaultButton();

    bool m_transferring = false;
    bool m_unloaded = false;
};
