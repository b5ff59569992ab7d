#pragma once

#include <cstdint>

namespace platform {

inline constexpr std::uint32_t ICC_USEREX_CLASSES = 0x200;

/// Registering the common control classes is the toolkit's own business
/// here: a no-op that reports success.
inline bool InitCommonControlsEx(std::uint32_t classes)
{
    static_cast<void>(classes);
    return true;
}

} // namespace platform
