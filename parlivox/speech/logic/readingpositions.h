#pragma once

#include <QString>

#include <optional>

/// Where the reading of each file stopped, so that it can go on there when
/// the file is opened again. A place belongs to the file as it was then: its
/// path, its size and its time of change; a file changed since has none.
/// The store is one small file of the most recent files, rewritten whole
/// and atomically; a damaged or foreign one counts as empty.
class ReadingPositions {
public:
    /// The most files remembered; the least recent go first.
    static constexpr int maxFiles = 200;
    /// The biggest store read: beyond, it is not one this program wrote.
    static constexpr qint64 maxStoreBytes = 1024 * 1024;

    /// storePath: the store's file; its folder is made when first written.
    explicit ReadingPositions(QString storePath) : m_storePath(std::move(storePath)) {}

    /// The place remembered for the file, when the file is unchanged since.
    std::optional<qint64> find(const QString& file) const;
    /// Remembers place for the file as it is now, as the most recent; raises
    /// platform::Error when the file is gone or the store cannot be written.
    void remember(const QString& file, qint64 place);
    /// Forgets the file's place (read to its end); raises like remember.
    void forget(const QString& file);

    const QString& storePath() const { return m_storePath; }

private:
    QString m_storePath;
};
