#include "nuvafetch/logic/installer.h"

#include "platform/error.h"
#include "platform/inet.h"
#include "platform/signature.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString installerName = u"update.exe"_s;

/// Creates and removes a temporary file in folder, as the download will.
bool canCreateFilesIn(const QString& folder)
{
    QByteArray probe = QFile::encodeName(folder + u"/.update.exe.XXXXXX"_s);
    const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.constData());
    return true;
}

/// The cache folder exists as a real folder of this user, readable by no
/// one else: nobody else may swap the installer before it is started.
bool makePrivateFolder(const QString& folder)
{
    if (!QDir().mkpath(folder))
        return false;
    const QByteArray name = QFile::encodeName(folder);
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid())
        return false;
    return (info.st_mode & 07777) == 0700 || ::chmod(name.constData(), 0700) == 0;
}

/// Checks a signature on a thread of its own while the transfer goes on, so
/// that hashing the installer overlaps receiving and writing it instead of
/// adding to them. The body passes through a fixed ring: memory stays flat
/// whatever the installer's size, and a transfer faster than the check waits.
class PipelinedVerifier {
public:
    explicit PipelinedVerifier(const QByteArray& publicKey)
        : m_verifier(publicKey), m_thread([this] { run(); })
    {
    }
    ~PipelinedVerifier() { finish(); }
    PipelinedVerifier(const PipelinedVerifier&) = delete;
    PipelinedVerifier& operator=(const PipelinedVerifier&) = delete;

    /// From the transfer's thread: copies the piece into the ring.
    void feed(const char* data, std::size_t size)
    {
        while (size > 0) {
            std::unique_lock lock(m_lock);
            m_changed.wait(lock, [&] { return m_written - m_read < capacity; });
            const std::size_t at = m_written % capacity;
            const std::size_t room =
                std::min({std::size_t(capacity - (m_written - m_read)), capacity - at, size});
            lock.unlock();
            // The checking thread reads only below m_written: this part is ours.
            std::memcpy(m_ring.data() + at, data, room);
            lock.lock();
            m_written += room;
            lock.unlock();
            m_changed.notify_all();
            data += room;
            size -= room;
        }
    }

    /// Waits until everything fed is hashed, then checks the signature.
    bool verify(const QByteArray& signature)
    {
        finish();
        return m_verifier.verify(signature);
    }

private:
    static constexpr std::size_t capacity = std::size_t(4) << 20;

    void run()
    {
        for (;;) {
            std::unique_lock lock(m_lock);
            m_changed.wait(lock, [&] { return m_written > m_read || m_closed; });
            if (m_written == m_read)
                return; // closed, and all of it hashed
            const std::size_t at = m_read % capacity;
            const std::size_t size = std::min(std::size_t(m_written - m_read), capacity - at);
            lock.unlock();
            m_verifier.update(m_ring.data() + at, size);
            lock.lock();
            m_read += size;
            lock.unlock();
            m_changed.notify_all();
        }
    }

    void finish()
    {
        {
            const std::lock_guard lock(m_lock);
            m_closed = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    platform::SignatureVerifier m_verifier;
    std::vector<char> m_ring = std::vector<char>(capacity);
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::uint64_t m_written = 0;
    std::uint64_t m_read = 0;
    bool m_closed = false;
    std::thread m_thread; // last: it starts once everything above is ready
};

} // namespace

QString userCacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + u"/Nuvafetch"_s;
}

bool onlyUserCanWrite(const QString& folder)
{
    const QString real = QFileInfo(folder).canonicalFilePath();
    if (real.isEmpty())
        return false;
    // From the root down: a folder anyone else may write could have any
    // folder below it renamed away and replaced.
    const QStringList parts = real.split(u'/', Qt::SkipEmptyParts);
    QString path;
    for (qsizetype i = -1; i < parts.size(); ++i) {
        path = i < 0 ? u"/"_s : path + (i == 0 ? QString() : u"/"_s) + parts[i];
        struct stat info {};
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
            return false;
        const bool last = i == parts.size() - 1;
        if (info.st_uid != ::geteuid() && (last || info.st_uid != 0))
            return false;
        const bool othersWrite = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
        if (othersWrite && (last || !(info.st_mode & S_ISVTX)))
            return false;
    }
    return true;
}

InstallerPlace placeInstaller(const QString& applicationDirectory, const QString& cacheFolder)
{
    if (onlyUserCanWrite(applicationDirectory) && canCreateFilesIn(applicationDirectory))
        return {applicationDirectory + u'/' + installerName, {}};
    if (makePrivateFolder(cacheFolder) && onlyUserCanWrite(cacheFolder) &&
        canCreateFilesIn(cacheFolder))
        return {cacheFolder + u'/' + installerName, {}};
    return {{}, cacheFolder};
}

qint64 installerSizeLimit(qint64 announcedKb)
{
    if (announcedKb <= 0 || announcedKb > installerSizeCap / 1024)
        return installerSizeCap;
    const qint64 announced = announcedKb * 1024;
    return std::min(installerSizeCap, announced + announced / 4 + (qint64(1) << 20));
}

QString unwritableFolderText(const QString& folder)
{
    return u"Fetchwell cannot write to the folder "_s + QDir::toNativeSeparators(folder) + u'.';
}

QString signatureAddress(const QString& installerAddress)
{
    return installerAddress + u".sig"_s;
}

SavedInstaller downloadInstaller(platform::HttpClient& inet, const QString& address,
                                 const QString& path, const QByteArray& publicKey, qint64 maxBytes)
{
    SavedInstaller saved;
    platform::DownloadOptions options;
    options.mode = 0755;
    options.refuseHtml = true;
    options.maxBytes = maxBytes;
    options.saved = &saved.file;
    if (publicKey.isEmpty()) {
        saved.size = inet.download(address, path, options);
        return saved;
    }

    const auto signature = platform::decodeBase64Exactly(inet.OpenURL(signatureAddress(address)),
                                                         platform::signatureBytes);
    if (!signature)
        throw platform::Error(platform::err::BadSignature,
                              u"The update's signature is unreadable: "_s +
                                  signatureAddress(address));
    PipelinedVerifier verifier(publicKey);
    options.observe = [&](const char* data, std::size_t size) {
        verifier.feed(data, size);
    };
    options.approve = [&] {
        if (!verifier.verify(*signature))
            throw platform::Error(platform::err::BadSignature,
                                  u"The update does not match its signature: "_s + address);
    };
    saved.size = inet.download(address, path, options);
    return saved;
}
