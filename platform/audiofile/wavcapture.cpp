#include "platform/audiofile/wavcapture.h"

#include "platform/audiofile/encoder_p.h"
#include "platform/error.h"

#include <QFile>

#include <sndfile.h>

#include <cerrno>
#include <fcntl.h>

namespace platform {

void WavCapture::Closer::operator()(sf_private_tag* file) const
{
    sf_close(file);
}

WavCapture::WavCapture(const QString& path, int sampleRate)
{
    // Opened here rather than by libsndfile, so that a refusal carries the
    // system's reason (53, 70, 76...).
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw fileError(errno, path);
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    // libsndfile owns the descriptor from here: it closes it on sf_close, and
    // on a failure to open as well.
    m_file.reset(sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE));
    if (!m_file)
        throw audiofile::encodingError(path, QString::fromUtf8(sf_strerror(nullptr)));
    // The sizes in the header follow every write, not only the close.
    sf_command(m_file.get(), SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
}

WavCapture::~WavCapture() = default;

void WavCapture::write(const std::int16_t* samples, std::size_t count)
{
    if (count == 0)
        return;
    const std::lock_guard lock(m_mutex);
    if (m_failed)
        return;
    const auto wanted = static_cast<sf_count_t>(count);
    m_failed = sf_write_short(m_file.get(), samples, wanted) != wanted;
}

} // namespace platform
