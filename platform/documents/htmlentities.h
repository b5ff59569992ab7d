#pragma once

#include <QString>
#include <QStringView>

namespace platform::documents {

/// The character of a named reference such as "amp" or "eacute" (case
/// matters); 0 when HTML 4 has no such name.
char16_t namedEntity(QStringView name);

/// Character references in text: named, decimal and hexadecimal.
QString decodeEntities(QStringView text);

} // namespace platform::documents
