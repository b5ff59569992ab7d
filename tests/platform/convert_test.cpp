#include "platform/convert.h"
#include "platform/error.h"

#include <gtest/gtest.h>

using platform::toInt16;
using platform::toInt32;

namespace {
int errorNumber(const std::function<void()>& f)
{
    try {
        f();
    } catch (const platform::Error& e) {
        return e.number();
    }
    return 0;
}
} // namespace

TEST(Conversions, AcceptDigitsWithSignAndSurroundingWhiteSpace)
{
    EXPECT_EQ(toInt16(u"7"), 7);
    EXPECT_EQ(toInt16(u"007"), 7);
    EXPECT_EQ(toInt16(u"  -12 "), -12);
    EXPECT_EQ(toInt16(u"+3"), 3);
    EXPECT_EQ(toInt32(u"1215\r\n"), 1215);
    EXPECT_EQ(toInt32(u"\n850\n"), 850);
}

TEST(Conversions, RoundFractionsHalfToEven)
{
    EXPECT_EQ(toInt16(u"2.5"), 2);
    EXPECT_EQ(toInt16(u"3.5"), 4);
    EXPECT_EQ(toInt16(u"2.51"), 3);
    EXPECT_EQ(toInt16(u"-2.5"), -2);
    EXPECT_EQ(toInt16(u"9.75"), 10);
    EXPECT_EQ(toInt16(u"0.4999"), 0);
}

TEST(Conversions, RejectOtherTextsWithTypeMismatch)
{
    for (const char16_t* text :
         {u"", u" ", u"abc", u"12a", u"1 2", u"--1", u".", u"0x10", u"<html>404</html>"})
        EXPECT_EQ(errorNumber([&] { toInt32(text); }), platform::err::TypeMismatch)
            << QString::fromUtf16(text).toStdString();
}

TEST(Conversions, ReportOverflowOutsideTheRange)
{
    EXPECT_EQ(toInt16(u"32767"), 32767);
    EXPECT_EQ(toInt16(u"-32768"), -32768);
    EXPECT_EQ(errorNumber([] { toInt16(u"32768"); }), platform::err::Overflow);
    EXPECT_EQ(errorNumber([] { toInt16(u"-32769"); }), platform::err::Overflow);
    EXPECT_EQ(toInt32(u"2147483647"), 2147483647);
    EXPECT_EQ(errorNumber([] { toInt32(u"2147483648"); }), platform::err::Overflow);
    EXPECT_EQ(errorNumber([] { toInt32(u"99999999999999999999999999"); }), platform::err::Overflow);
}

TEST(NumberFormats, PadToTheCountOfZeros)
{
    EXPECT_EQ(platform::formatNumber(0, u"0#"), QStringLiteral("00"));
    EXPECT_EQ(platform::formatNumber(5, u"0#"), QStringLiteral("05"));
    EXPECT_EQ(platform::formatNumber(123, u"0#"), QStringLiteral("123"));
    EXPECT_EQ(platform::formatNumber(44, u"0###"), QStringLiteral("0044"));
    EXPECT_EQ(platform::formatNumber(12345, u"0###"), QStringLiteral("12345"));
}

TEST(NumberFormats, VersionTextPadsMinorAndRevision)
{
    EXPECT_EQ(platform::versionText(1, 0, 174), QStringLiteral("1.00.0174"));
    EXPECT_EQ(platform::versionText(1, 0, 44), QStringLiteral("1.00.0044"));
    EXPECT_EQ(platform::versionText(12, 3, 4567), QStringLiteral("12.03.4567"));
}
