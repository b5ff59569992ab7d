#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

namespace platform::speech {

class VoiceChannel;
class WavCapture;

/// The process's sound output: SDL's audio subsystem, started with the first
/// device and stopped after the last one closes. When no real device can be
/// opened it falls back to SDL's dummy driver, which plays in real time into
/// nothing, so speech still starts and ends on a machine without sound.
/// With PARLIVOX_AUDIO_CAPTURE set, every sample played also goes to that
/// WAV file (created with the first device, complete after the last closes).
class AudioSystem {
public:
    static std::shared_ptr<AudioSystem> instance();
    ~AudioSystem();
    AudioSystem(const AudioSystem&) = delete;
    AudioSystem& operator=(const AudioSystem&) = delete;

    /// Opens a 16-bit mono device that pulls samples from channel; raises
    /// platform::Error when no device at all can be opened.
    std::uint32_t open(int sampleRate, void (*callback)(void*, std::uint8_t*, int), void* userdata);
    void close(std::uint32_t device);
    /// Runs or halts a device at its current sample.
    void setRunning(std::uint32_t device, bool running);
    /// Where played samples are copied, or nullptr.
    WavCapture* capture() const { return m_capture.get(); }

private:
    AudioSystem() = default;
    void start(int sampleRate);

    std::mutex m_mutex;
    bool m_started = false;
    bool m_onDummy = false;
    int m_openDevices = 0;
    std::unique_ptr<WavCapture> m_capture;
};

/// One voice's own device: pulls from the voice's channel, runs while the
/// channel has something to play and is not paused.
class AudioDevice {
public:
    AudioDevice(int sampleRate, VoiceChannel& channel);
    ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    /// Runs or halts the device as the channel now wants; safe from any thread.
    void sync();

private:
    static void callback(void* userdata, std::uint8_t* stream, int bytes);

    std::shared_ptr<AudioSystem> m_system;
    VoiceChannel& m_channel;
    std::mutex m_mutex;
    std::uint32_t m_device = 0;
    bool m_running = false;
};

} // namespace platform::speech
