#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace platform {

/// The whole content of a file; platform::Error (53, 70, 75...) when it
/// cannot be read.
QByteArray readWholeFile(const QString& path);

/// Replaces path's content with data through a temporary file in the same
/// folder, renamed over it only once complete: a failed write leaves the
/// previous file as it was. Raises platform::Error on failure.
void writeFileAtomically(const QString& path, QByteArrayView data);

} // namespace platform
