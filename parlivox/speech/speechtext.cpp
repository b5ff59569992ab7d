#include "parlivox/speech/speechtext.h"

using namespace Qt::StringLiterals;

namespace speechtext {
namespace {

/// Drops the time-zone fields ("t") of a time format, with the spaces that
/// set them apart; quoted literal text is kept as it is.
QString withoutTimeZone(const QString& format)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
            continue;
        }
        if (quoted || c != u't') {
            out += c;
            continue;
        }
        while (i + 1 < format.size() && format[i + 1] == u't')
            ++i;
        while (out.endsWith(u' '))
            out.chop(1);
    }
    return out.trimmed();
}

} // namespace

QString timeText(QTime time, const QLocale& locale)
{
    return locale.toString(time, withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

QString dateText(QDate date, const QLocale& locale)
{
    return locale.toString(date, QLocale::ShortFormat);
}

QString prepare(QString text, QTime time, QDate date, const QLocale& locale)
{
    // A long document seldom holds a macro or a micro sign: looking for one
    // character first is many times faster than a search for a word.
    if (text.contains(u'$')) {
        text.replace(u"$time$"_s, timeText(time, locale), Qt::CaseSensitive);
        text.replace(u"$date$"_s, dateText(date, locale), Qt::CaseSensitive);
    }
    // The micro sign, U+00B5, not the Greek letter mu, U+03BC.
    const QChar micro = u'µ';
    if (text.contains(micro))
        text.replace(micro, u"Micro"_s);
    text.replace(QChar(u'\r'), u" ;"_s);
    return text;
}

} // namespace speechtext
