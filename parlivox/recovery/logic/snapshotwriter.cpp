#include "parlivox/recovery/logic/snapshotwriter.h"

#include "parlivox/recovery/logic/recoveryfolder.h"
#include "platform/error.h"
#include "platform/richtext/documentcopy.h"
#include "platform/richtext/rtfwriter.h"

#include <memory>

namespace recovery {

SnapshotWriter::SnapshotWriter(RecoveryFolder& folder, QObject* parent)
    : QObject(parent), m_folder(folder)
{
    // One thread: jobs run in the order asked, and a removal after a save
    // always comes after the write it follows.
    m_pool.setMaxThreadCount(1);
}

SnapshotWriter::~SnapshotWriter()
{
    m_pool.waitForDone();
}

void SnapshotWriter::write(platform::DocumentCopy copy, const SnapshotInfo& info)
{
    ++m_pending;
    auto document = std::make_shared<const platform::DocumentCopy>(std::move(copy));
    m_pool.start([this, document, info] {
        bool ok = true;
        QString description;
        try {
            m_folder.write(platform::writeRtf(*document), info);
        } catch (const platform::Error& error) {
            ok = false;
            description = error.description();
        } catch (const std::bad_alloc&) {
            ok = false;
            description = QStringLiteral("Out of memory");
        }
        QMetaObject::invokeMethod(
            this, [this, ok, description] { finished(ok, description); }, Qt::QueuedConnection);
    });
}

void SnapshotWriter::remove()
{
    ++m_pending;
    m_pool.start([this] {
        m_folder.remove();
        QMetaObject::invokeMethod(
            this, [this] { --m_pending; }, Qt::QueuedConnection);
    });
}

void SnapshotWriter::wait()
{
    m_pool.waitForDone();
}

void SnapshotWriter::finished(bool ok, const QString& description)
{
    --m_pending;
    if (ok)
        emit written();
    else
        emit failed(description);
}

} // namespace recovery
