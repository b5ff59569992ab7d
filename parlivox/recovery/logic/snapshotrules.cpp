#include "parlivox/recovery/logic/snapshotrules.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace recovery {
namespace {

/// A side file is a few hundred bytes; anything far larger is not one.
constexpr qsizetype maxSideFileBytes = 64 * 1024;
/// A format record is an extension of three characters or so.
constexpr qsizetype maxFileTypeLength = 16;

} // namespace

QString snapshotFileName(const QString& id)
{
    return id + u".rtf"_s;
}

QString sideFileName(const QString& id)
{
    return id + u".json"_s;
}

QString lockFileName(const QString& id)
{
    return id + u".lock"_s;
}

std::optional<QString> idOfSnapshotFile(const QString& fileName)
{
    // Only names this program makes: a stray file in the folder is not ours.
    static const QRegularExpression pattern(u"^([0-9]+-[0-9]+-[0-9]+)\\.rtf$"_s);
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1);
}

QString newInstanceId(qint64 processId, qint64 startMsecs, int serial)
{
    return QString::number(processId) + u'-' + QString::number(startMsecs) + u'-' +
           QString::number(serial);
}

QByteArray sideFileText(const SnapshotInfo& info)
{
    const QJsonObject object{
        {u"path"_s, info.path},
        {u"format"_s, info.fileType},
        {u"time"_s, info.time.toUTC().toString(Qt::ISODateWithMs)},
        {u"converted"_s, info.converted},
    };
    return QJsonDocument(object).toJson();
}

std::optional<SnapshotInfo> parseSideFile(QByteArrayView text)
{
    if (text.size() > maxSideFileBytes)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(text.toByteArray());
    const QJsonObject object = document.object();
    const QJsonValue path = object.value(u"path"_s);
    const QJsonValue format = object.value(u"format"_s);
    const QDateTime time =
        QDateTime::fromString(object.value(u"time"_s).toString(), Qt::ISODateWithMs);
    if (!path.isString() || !format.isString() || !time.isValid())
        return std::nullopt;
    // Side files of earlier versions have no "converted".
    SnapshotInfo info{path.toString(), format.toString().toLower(), time.toLocalTime(),
                      object.value(u"converted"_s).toBool(false)};
    if (info.fileType.isEmpty() || info.fileType.size() > maxFileTypeLength)
        info.fileType = u"rtf"_s;
    return info;
}

QString offerText(const SnapshotInfo& info, const QLocale& locale)
{
    const QString document = info.path.isEmpty() ? u"Untitled"_s : info.path;
    return u"Parlivox closed without saving the changes to "_s + document + u" ("_s +
           locale.toString(info.time, QLocale::ShortFormat) + u"). Recover them?"_s;
}

// ---- when to write ------------------------------------------------------------

void SnapshotSchedule::edited(qint64 now)
{
    if (!m_firstPending)
        m_firstPending = now;
    m_lastEdit = now;
}

void SnapshotSchedule::taken(qint64 now)
{
    m_firstPending.reset();
    m_lastTaken = now;
}

void SnapshotSchedule::failed(qint64 now)
{
    if (!m_firstPending)
        m_firstPending = now;
    m_retryAt = now + intervalMs;
}

void SnapshotSchedule::written()
{
    m_retryAt.reset();
}

void SnapshotSchedule::settled()
{
    m_firstPending.reset();
    m_retryAt.reset();
}

std::optional<qint64> SnapshotSchedule::due() const
{
    if (!m_firstPending)
        return std::nullopt;
    // After a pause in the typing, but not sooner than an interval after the
    // last snapshot; and during typing that never pauses, an interval after
    // the first edit waiting.
    const qint64 afterPause = std::max(m_lastEdit + pauseMs, m_lastTaken + intervalMs);
    const qint64 due = std::min(afterPause, *m_firstPending + intervalMs);
    return m_retryAt ? std::max(due, *m_retryAt) : due;
}

} // namespace recovery
