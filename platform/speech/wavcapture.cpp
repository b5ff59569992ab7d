#include "platform/speech/wavcapture.h"

#include "platform/error.h"
#include "platform/fileio.h"

#include <QFile>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform::speech {
namespace {

constexpr std::uint32_t headerBytes = 44;

void putLE(std::uint8_t* out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::array<std::uint8_t, headerBytes> header(int sampleRate, std::uint32_t dataBytes)
{
    std::array<std::uint8_t, headerBytes> h{};
    std::memcpy(h.data(), "RIFF", 4);
    putLE(h.data() + 4, 36 + dataBytes, 4);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    putLE(h.data() + 16, 16, 4); // format chunk size
    putLE(h.data() + 20, 1, 2);  // PCM
    putLE(h.data() + 22, 1, 2);  // mono
    putLE(h.data() + 24, static_cast<std::uint32_t>(sampleRate), 4);
    putLE(h.data() + 28, static_cast<std::uint32_t>(sampleRate) * 2, 4);
    putLE(h.data() + 32, 2, 2);  // block align
    putLE(h.data() + 34, 16, 2); // bits per sample
    std::memcpy(h.data() + 36, "data", 4);
    putLE(h.data() + 40, dataBytes, 4);
    return h;
}

} // namespace

WavCapture::WavCapture(const QString& path, int sampleRate)
{
    const QByteArray name = QFile::encodeName(path);
    m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0)
        throw fileError(errno, path);
    const auto h = header(sampleRate, 0);
    if (!writeAll(m_fd, h.data(), h.size())) {
        const int error = errno;
        ::close(m_fd);
        throw fileError(error, path);
    }
}

WavCapture::~WavCapture()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void WavCapture::write(const std::int16_t* samples, std::size_t count)
{
    if (count == 0)
        return;
    const std::lock_guard lock(m_mutex);
    // A full disk ends the capture, never the speech.
    if (m_failed)
        return;
    if (!writeAll(m_fd, samples, count * sizeof(std::int16_t))) {
        m_failed = true;
        return;
    }
    m_dataBytes += static_cast<std::uint32_t>(count * sizeof(std::int16_t));
    writeSizes();
}

void WavCapture::writeSizes()
{
    std::uint8_t size[4];
    putLE(size, 36 + m_dataBytes, 4);
    static_cast<void>(::pwrite(m_fd, size, 4, 4));
    putLE(size, m_dataBytes, 4);
    static_cast<void>(::pwrite(m_fd, size, 4, 40));
}

} // namespace platform::speech
