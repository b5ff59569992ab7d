#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

namespace platform {

/// Converts text to a 16-bit signed integer as the classic runtime does:
/// white space (CR and LF included) around an optional sign, digits and an
/// optional fraction rounded half to even. Anything else raises Error 13,
/// a value outside -32768..32767 raises Error 6.
std::int16_t toInt16(QStringView text);
/// The same for 32-bit signed integers.
std::int32_t toInt32(QStringView text);

/// Formats a number with a picture of '0' and '#' digit placeholders: every
/// placeholder from the leftmost '0' on always shows a digit ("0#" gives
/// "05", "0###" gives "0174").
QString formatNumber(long long value, QStringView picture);

/// "major.minor(0#).revision(0###)": version 1.0.174 reads "1.00.0174".
QString versionText(int major, int minor, int revision);

} // namespace platform
