#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace platform::speech {

/// A 16-bit mono WAV file that grows as samples are played. The header is
/// kept up to date after every write, so the file is valid at any moment.
class WavCapture {
public:
    /// Creates (or empties) the file; a file that cannot be written raises
    /// platform::Error.
    WavCapture(const QString& path, int sampleRate);
    ~WavCapture();
    WavCapture(const WavCapture&) = delete;
    WavCapture& operator=(const WavCapture&) = delete;

    /// Appends samples; safe from any thread.
    void write(const std::int16_t* samples, std::size_t count);

private:
    void writeSizes();

    std::mutex m_mutex;
    int m_fd = -1;
    std::uint32_t m_dataBytes = 0;
    bool m_failed = false;
};

} // namespace platform::speech
