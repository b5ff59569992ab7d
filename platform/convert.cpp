#include "platform/convert.h"

#include "platform/error.h"

#include <cmath>
#include <limits>
#include <optional>

namespace platform {
namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

/// Parses "[ws][sign]digits[.digits][ws]" into a value rounded half to even.
/// Returns nothing when the text has another shape; the value may be huge.
std::optional<long double> parseNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    long double whole = 0;
    qsizetype digits = 0;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') {
        whole = whole * 10 + (text[i].unicode() - u'0');
        ++i;
        ++digits;
    }
    // The fraction only decides the rounding: above, below or exactly half.
    int firstFractionDigit = -1;
    bool restNonZero = false;
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && text[i] >= u'0' && text[i] <= u'9') {
            const int d = text[i].unicode() - u'0';
            if (firstFractionDigit < 0)
                firstFractionDigit = d;
            else if (d != 0)
                restNonZero = true;
            ++i;
            ++digits;
        }
    }
    while (i < n && isBlank(text[i]))
        ++i;
    if (digits == 0 || i != n)
        return std::nullopt;
    // Banker's rounding: halves go to the even neighbour.
    long double rounded = whole;
    const bool above = firstFractionDigit > 5 || (firstFractionDigit == 5 && restNonZero);
    const bool half = firstFractionDigit == 5 && !restNonZero;
    if (above || (half && std::fmod(whole, 2.0L) != 0))
        rounded += 1;
    return negative ? -rounded : rounded;
}

template <typename T> T convert(QStringView text)
{
    const auto value = parseNumber(text);
    if (!value)
        throw Error(err::TypeMismatch, QStringLiteral("Type mismatch"));
    if (*value < std::numeric_limits<T>::min() || *value > std::numeric_limits<T>::max())
        throw Error(err::Overflow, QStringLiteral("Overflow"));
    return static_cast<T>(*value);
}

} // namespace

std::int16_t toInt16(QStringView text)
{
    return convert<std::int16_t>(text);
}

std::int32_t toInt32(QStringView text)
{
    return convert<std::int32_t>(text);
}

QString formatNumber(long long value, QStringView picture)
{
    // Every placeholder from the leftmost '0' on shows a digit, zero or not.
    const auto firstZero = picture.indexOf(u'0');
    const auto minDigits = firstZero < 0 ? 0 : picture.size() - firstZero;
    QString digits = QString::number(value < 0 ? -value : value);
    if (digits.size() < minDigits)
        digits.prepend(QString(minDigits - digits.size(), u'0'));
    return value < 0 ? QStringLiteral("-") + digits : digits;
}

QString versionText(int major, int minor, int revision)
{
    return QString::number(major) + u'.' + formatNumber(minor, u"0#") + u'.' +
           formatNumber(revision, u"0###");
}

} // namespace platform
