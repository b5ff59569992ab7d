#pragma once

#include <functional>
#include <memory>
#include <vector>

class PageFrame;
struct UpdaterServices;
struct WizardState;

enum class PageId { Intro, Check, Update };

/// The updater has no main window: it lives as long as one of its pages
/// does. The wizard creates the pages, moves between them and notices when
/// the last one is gone.
class Wizard {
public:
    Wizard(UpdaterServices& services, WizardState& state);
    ~Wizard();
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;

    /// Creates and shows page 1 (its load runs now).
    void start();
    /// Hides the current page, creates and shows target (its load runs to the
    /// end, transfers included), then destroys the page that was left.
    void moveTo(PageId target);
    /// A page was closed or unloaded itself: it is destroyed once control is
    /// back in the event loop. With no page left the updater has finished.
    void pageClosed(PageFrame& page);

    /// The page the user sees (or the one loading); null when none.
    PageFrame* currentPage() const { return m_current; }
    bool finished() const { return m_finished; }
    /// Called once when the last page has gone (the program quits then).
    std::function<void()> onFinished;

    UpdaterServices& services;
    WizardState& state;

private:
    std::unique_ptr<PageFrame> create(PageId target);

    std::vector<std::unique_ptr<PageFrame>> m_pages;
    PageFrame* m_current = nullptr;
    PageFrame* m_loading = nullptr;
    std::unique_ptr<PageFrame> m_closedWhileLoading;
    bool m_finished = false;
};
