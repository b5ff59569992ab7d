#include "nuvafetch/wizard.h"

#include "nuvafetch/frmCheck.h"
#include "nuvafetch/frmIntro.h"
#include "nuvafetch/frmUpdate.h"

#include <algorithm>

Wizard::Wizard(UpdaterServices& services, WizardState& state) : services(services), state(state) {}

// Pages still open when the wizard goes are destroyed with it; none of their
// code is running then.
Wizard::~Wizard() = default;

void Wizard::start()
{
    moveTo(PageId::Intro);
}

std::unique_ptr<PageFrame> Wizard::create(PageId target)
{
    switch (target) {
    case PageId::Intro:
        return std::make_unique<frmIntro>(*this);
    case PageId::Check:
        return std::make_unique<frmCheck>(*this);
    case PageId::Update:
        return std::make_unique<frmUpdate>(*this);
    }
    return nullptr;
}

void Wizard::moveTo(PageId target)
{
    PageFrame* left = m_current;
    if (left)
        left->hide();
    m_pages.push_back(create(target));
    PageFrame* page = m_pages.back().get();
    m_current = page;
    // The load may end with the page gone: a failure on page 1, or the user
    // closing a page during its transfer.
    m_loading = page;
    // The page left goes whether the load ends or fails: a failure leaves
    // the new page up, and its close box still ends the updater.
    const auto loaded = [&] {
        m_loading = nullptr;
        if (m_closedWhileLoading)
            m_closedWhileLoading.release()->deleteLater();
        if (left)
            pageClosed(*left);
    };
    try {
        page->load();
    } catch (...) {
        loaded();
        throw;
    }
    loaded();
}

void Wizard::pageClosed(PageFrame& page)
{
    const auto found = std::find_if(m_pages.begin(), m_pages.end(),
                                    [&](const auto& live) { return live.get() == &page; });
    if (found == m_pages.end())
        return;
    if (m_current == &page)
        m_current = nullptr;
    page.hide();
    std::unique_ptr<PageFrame> closed = std::move(*found);
    m_pages.erase(found);
    // A click handler of the page may still be running: Qt deletes the page
    // once control is back in the event loop that delivered the click. A
    // close during the page's load arrives in the load's own local event
    // loop, which would delete the page under the load: it waits for the
    // load to return.
    if (closed.get() == m_loading)
        m_closedWhileLoading = std::move(closed);
    else
        closed.release()->deleteLater();
    if (m_pages.empty() && !m_finished) {
        m_finished = true;
        if (onFinished)
            onFinished();
    }
}
