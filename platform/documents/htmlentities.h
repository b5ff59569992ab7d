#pragma once

#include <QString>
#include <QStringView>

namespace platform::documents {

struct NamedReference;

/// The named character reference called name, without its semicolon
/// ("amp", "NotNestedLessLess"; case matters); null when HTML has none.
const NamedReference* namedReference(QStringView name);

/// Character references in text: named, decimal and hexadecimal. Legacy
/// names ("amp", "copy", "eacute"...) are read without their semicolon too,
/// as the longest such name that begins the letters after "&"; in an
/// attribute's value only when no letter, digit or "=" follows them.
QString decodeEntities(QStringView text, bool inAttribute = false);

} // namespace platform::documents
