#pragma once

#include <QByteArrayView>
#include <QString>

namespace platform {

/// Folds CR LF and CR line ends into LF.
QString toLf(QString text);

/// Reads a plain-text file's bytes: UTF-8 with or without BOM, UTF-16 with a
/// BOM, and anything that is not valid UTF-8 as Windows-1252. CR LF, LF and
/// CR all become LF.
QString decodePlainText(QByteArrayView data);

} // namespace platform
