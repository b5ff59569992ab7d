#pragma once

#include "platform/textdecode.h"

#include <QByteArray>

class QTextDocument;

namespace platform {

/// The document's text for a plain-text file: UTF-8, paragraphs and line
/// breaks as LF.
QByteArray encodePlainText(const QTextDocument& document);

} // namespace platform
