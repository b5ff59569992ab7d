#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

namespace speechtext {

/// The time of day in the locale's time format, without a time zone.
QString timeText(QTime time, const QLocale& locale);
/// The date in the locale's short date format.
QString dateText(QDate date, const QLocale& locale);

/// Prepares a document's text for the speech engine, in this order: every
/// "$time$" becomes timeText(time), every "$date$" dateText(date), every
/// MICRO SIGN "Micro", and every carriage return " ;" (a line feed after it
/// stays). Matching is exact; nothing else changes.
QString prepare(QString text, QTime time, QDate date, const QLocale& locale);

} // namespace speechtext
