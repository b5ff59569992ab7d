#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

struct sf_private_tag; // libsndfile's SNDFILE

namespace platform {

/// A 16-bit mono WAV file that grows as samples are played. The header is
/// brought up to date after every write, so the file is valid at any moment:
/// a program that is killed leaves what it had played.
class WavCapture {
public:
    /// Creates (or empties) the file; a file that cannot be written raises
    /// platform::Error.
    WavCapture(const QString& path, int sampleRate);
    ~WavCapture();
    WavCapture(const WavCapture&) = delete;
    WavCapture& operator=(const WavCapture&) = delete;

    /// Appends samples; safe from any thread. A failed write (a full disk)
    /// ends the capture, never the caller's work.
    void write(const std::int16_t* samples, std::size_t count);

private:
    struct Closer {
        void operator()(sf_private_tag* file) const;
    };

    std::mutex m_mutex;
    std::unique_ptr<sf_private_tag, Closer> m_file;
    bool m_failed = false;
};

} // namespace platform
