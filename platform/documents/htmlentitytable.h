#pragma once

#include <cstddef>
#include <iterator>

namespace platform::documents {

/// One named character reference: its name without the semicolon, the one
/// or two characters it stands for (the second 0 when there is one), and
/// whether it is also read without its semicolon.
struct NamedReference {
    const char* name;
    char32_t codes[2];
    bool legacy;
};

/// Every named reference of HTML, sorted by name (byte order).
extern const NamedReference namedReferences[];
extern const std::size_t namedReferenceCount;

} // namespace platform::documents
