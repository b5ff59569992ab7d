#pragma once

#include <QStringView>

namespace platform::documents {

/// The character of a named reference such as "amp" or "eacute" (case
/// matters); 0 when HTML 4 has no such name.
char16_t namedEntity(QStringView name);

} // namespace platform::documents
