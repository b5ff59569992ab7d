#pragma once

namespace platform {

/// The Caps Lock and Num Lock indicators of the keyboard.
class KeyboardIndicators {
public:
    KeyboardIndicators() = default;
    KeyboardIndicators(const KeyboardIndicators&) = delete;
    KeyboardIndicators& operator=(const KeyboardIndicators&) = delete;
    virtual ~KeyboardIndicators() = default;

    virtual bool capsLock() = 0;
    virtual bool numLock() = 0;
};

/// Reads the X11 keyboard indicators when the program runs on X11; reports
/// both keys as off anywhere else.
class X11KeyboardIndicators final : public KeyboardIndicators {
public:
    X11KeyboardIndicators() = default;
    bool capsLock() override;
    bool numLock() override;

private:
    unsigned indicatorState();
};

} // namespace platform
