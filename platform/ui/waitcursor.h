#pragma once

class QWidget;

namespace platform {

/// The hourglass for as long as it lives: over the whole application, or
/// over one window only.
class WaitCursor {
public:
    WaitCursor();
    explicit WaitCursor(QWidget& window);
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    QWidget* m_window = nullptr;
};

} // namespace platform
