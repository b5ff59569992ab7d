#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {
class WavCapture;
}

namespace platform::speech {

class VoiceChannel;

/// The process's sound output: one SDL2 device that mixes every voice that
/// has spoken. The device runs while some voice has something to play and
/// is not paused; a paused voice halts at its current sample while the others
/// go on. (Several devices at once are not possible on every driver: the
/// dummy and disk drivers allow one.)
///
/// When no real device can be opened it falls back to SDL's dummy driver,
/// which plays in real time into nothing, so speech still starts and ends on
/// a machine without sound. With a capture path, every sample played also
/// goes to that WAV file, which is complete once the output closes with the
/// last voice.
class AudioOutput {
public:
    /// The output of the process, created on first use; capturePath (may be
    /// empty) is taken by the use that creates it.
    static std::shared_ptr<AudioOutput> instance(const QString& capturePath);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    /// Plays channel from now on; opens the device first if needed. Raises
    /// platform::Error when no device at all can be opened.
    void attach(VoiceChannel& channel, int sampleRate);
    /// Stops playing channel; returns once the device no longer reads it.
    void detach(const VoiceChannel& channel);
    /// Runs or halts the device as the voices now want; safe from any thread.
    void sync();

private:
    explicit AudioOutput(QString capturePath);
    void open(int sampleRate);
    static void callback(void* userdata, std::uint8_t* stream, int bytes);
    void mix(std::int16_t* out, int count);

    std::mutex m_control; ///< opening, closing, running
    std::uint32_t m_device = 0;
    bool m_running = false;
    bool m_sdlStarted = false;

    std::mutex m_mixing; ///< the voices, taken by the device's callback
    std::vector<VoiceChannel*> m_channels;
    std::vector<std::int16_t> m_voiceBuffer;
    std::vector<std::int32_t> m_sum;
    QString m_capturePath;
    std::unique_ptr<WavCapture> m_capture;
};

} // namespace platform::speech
