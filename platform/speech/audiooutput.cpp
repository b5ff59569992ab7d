#include "platform/speech/audiooutput.h"

#include "platform/audiofile/wavcapture.h"
#include "platform/error.h"
#include "platform/speech/voice.h"
#include "platform/speech/voicechannel.h"

#include <QCoreApplication>
#include <QFile>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>

namespace platform::speech {
namespace {

std::mutex instanceMutex;
std::weak_ptr<AudioOutput> instanceRef;

Error soundError(const char* what)
{
    return Error(err::DeviceIO, QString::fromUtf8(what) + QString::fromUtf8(SDL_GetError()));
}

/// SDL's audio subsystem with the driver it picks, else the dummy driver.
void startSdlAudio(bool dummy)
{
    if (dummy)
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        throw soundError("The sound system could not be started: ");
}

} // namespace

std::shared_ptr<AudioOutput> AudioOutput::instance(const QString& capturePath)
{
    const std::lock_guard lock(instanceMutex);
    std::shared_ptr<AudioOutput> output = instanceRef.lock();
    if (!output) {
        output.reset(new AudioOutput(capturePath));
        instanceRef = output;
    }
    return output;
}

AudioOutput::AudioOutput(QString capturePath) : m_capturePath(std::move(capturePath)) {}

AudioOutput::~AudioOutput()
{
    // Closing waits for a callback in progress; none runs afterwards.
    if (m_device != 0)
        SDL_CloseAudioDevice(m_device);
    if (m_sdlStarted)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void AudioOutput::open(int sampleRate)
{
    if (m_device != 0)
        return;
    if (!m_capture && !m_capturePath.isEmpty())
        m_capture = std::make_unique<WavCapture>(m_capturePath, sampleRate);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const QByteArray appName = QCoreApplication::applicationName().toUtf8();
    if (!appName.isEmpty())
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, appName.constData());
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Speech");

    SDL_AudioSpec wanted{};
    wanted.freq = sampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 1;
    wanted.samples = 512; // about 23 ms: how finely pause and the end of speech are seen
    wanted.callback = &AudioOutput::callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};

    bool dummy = false;
    if (!m_sdlStarted) {
        try {
            startSdlAudio(false);
        } catch (const Error&) {
            startSdlAudio(dummy = true); // no driver works at all
        }
        m_sdlStarted = true;
    }
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (m_device == 0 && !dummy) {
        // A driver that starts but has no device to open (a machine without
        // a sound card): play into nothing instead.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_sdlStarted = false;
        startSdlAudio(true);
        m_sdlStarted = true;
        m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    }
    if (m_device == 0)
        throw soundError("The sound device could not be opened: ");
    m_running = false; // SDL opens devices paused
}

void AudioOutput::attach(VoiceChannel& channel, int sampleRate)
{
    const std::lock_guard control(m_control);
    open(sampleRate);
    const std::lock_guard mixing(m_mixing);
    m_channels.push_back(&channel);
}

void AudioOutput::detach(const VoiceChannel& channel)
{
    {
        const std::lock_guard mixing(m_mixing);
        std::erase(m_channels, &channel);
    }
    sync();
}

void AudioOutput::sync()
{
    const std::lock_guard control(m_control);
    if (m_device == 0)
        return;
    bool wanted = false;
    {
        const std::lock_guard mixing(m_mixing);
        for (const VoiceChannel* channel : m_channels)
            wanted = wanted || channel->wantsOutput();
    }
    if (wanted != m_running) {
        SDL_PauseAudioDevice(m_device, wanted ? 0 : 1);
        m_running = wanted;
    }
}

void AudioOutput::callback(void* userdata, std::uint8_t* stream, int bytes)
{
    static_cast<AudioOutput*>(userdata)->mix(reinterpret_cast<std::int16_t*>(stream), bytes / 2);
}

void AudioOutput::mix(std::int16_t* out, int count)
{
    const std::lock_guard mixing(m_mixing);
    int played = 0;
    if (m_channels.size() == 1) {
        played = m_channels.front()->fill(out, count);
    } else {
        m_sum.assign(static_cast<std::size_t>(count), 0);
        m_voiceBuffer.resize(static_cast<std::size_t>(count));
        for (VoiceChannel* channel : m_channels) {
            const int n = channel->fill(m_voiceBuffer.data(), count);
            for (int i = 0; i < n; ++i)
                m_sum[static_cast<std::size_t>(i)] += m_voiceBuffer[static_cast<std::size_t>(i)];
            played = std::max(played, n);
        }
        for (int i = 0; i < count; ++i)
            out[i] = static_cast<std::int16_t>(
                std::clamp(m_sum[static_cast<std::size_t>(i)], -32768, 32767));
    }
    if (m_capture)
        m_capture->write(out, static_cast<std::size_t>(played));
}

} // namespace platform::speech
