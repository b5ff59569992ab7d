#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringConverter>

#include <optional>

namespace platform {

/// A byte-order mark at the start of text: the Unicode encoding it names and
/// the bytes it takes.
struct ByteOrderMark {
    QStringConverter::Encoding encoding;
    qsizetype size;
};

/// The mark data starts with: UTF-8 (EF BB BF), UTF-16 little-endian (FF FE)
/// or big-endian (FE FF); nothing when it starts with none of them.
std::optional<ByteOrderMark> byteOrderMark(QByteArrayView data);

/// data decoded in the encoding its byte-order mark names, without the mark;
/// nothing when it has no mark.
std::optional<QString> decodeByByteOrderMark(QByteArrayView data);

/// Folds CR LF and CR line ends into LF.
QString toLf(QString text);

/// Reads a plain-text file's bytes: UTF-8 with or without BOM, UTF-16 with a
/// BOM, and anything that is not valid UTF-8 as Windows-1252. CR LF, LF and
/// CR all become LF.
QString decodePlainText(QByteArrayView data);

} // namespace platform
