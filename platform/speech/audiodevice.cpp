#include "platform/speech/audiodevice.h"

#include "platform/error.h"
#include "platform/speech/voice.h"
#include "platform/speech/voicechannel.h"
#include "platform/speech/wavcapture.h"

#include <QCoreApplication>
#include <QFile>

#include <SDL.h>

#include <cstdlib>

namespace platform::speech {
namespace {

std::mutex instanceMutex;
std::weak_ptr<AudioSystem> instanceRef;

QString sdlError()
{
    return QString::fromUtf8(SDL_GetError());
}

} // namespace

std::shared_ptr<AudioSystem> AudioSystem::instance()
{
    const std::lock_guard lock(instanceMutex);
    std::shared_ptr<AudioSystem> system = instanceRef.lock();
    if (!system) {
        system.reset(new AudioSystem);
        instanceRef = system;
    }
    return system;
}

AudioSystem::~AudioSystem()
{
    if (m_started)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void AudioSystem::start(int sampleRate)
{
    if (m_started)
        return;
    if (const char* path = std::getenv("PARLIVOX_AUDIO_CAPTURE"); path && *path && !m_capture)
        m_capture = std::make_unique<WavCapture>(QFile::decodeName(path), sampleRate);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const QByteArray appName = QCoreApplication::applicationName().toUtf8();
    if (!appName.isEmpty())
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, appName.constData());
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Speech");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        // No driver at all: play into nothing rather than not at all.
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            throw Error(speecherr::DeviceIO,
                        QStringLiteral("The sound system could not be started: ") + sdlError());
        m_onDummy = true;
    }
    m_started = true;
}

std::uint32_t AudioSystem::open(int sampleRate, void (*callback)(void*, std::uint8_t*, int),
                                void* userdata)
{
    const std::lock_guard lock(m_mutex);
    start(sampleRate);
    SDL_AudioSpec wanted{};
    wanted.freq = sampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 1;
    wanted.samples = 512; // about 23 ms: the granularity of pause and of the end of speech
    wanted.callback = callback;
    wanted.userdata = userdata;
    SDL_AudioSpec obtained{};
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0 && !m_onDummy && m_openDevices == 0) {
        // A driver that starts but has no device to open (a machine without a
        // sound card): switch the whole process to the dummy driver.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            m_started = false;
            throw Error(speecherr::DeviceIO,
                        QStringLiteral("The sound system could not be started: ") + sdlError());
        }
        m_onDummy = true;
        device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    }
    if (device == 0)
        throw Error(speecherr::DeviceIO,
                    QStringLiteral("The sound device could not be opened: ") + sdlError());
    ++m_openDevices;
    return device;
}

void AudioSystem::close(std::uint32_t device)
{
    const std::lock_guard lock(m_mutex);
    SDL_CloseAudioDevice(device);
    --m_openDevices;
}

void AudioSystem::setRunning(std::uint32_t device, bool running)
{
    SDL_PauseAudioDevice(device, running ? 0 : 1);
}

AudioDevice::AudioDevice(int sampleRate, VoiceChannel& channel)
    : m_system(AudioSystem::instance()), m_channel(channel)
{
    m_device = m_system->open(sampleRate, &AudioDevice::callback, this);
}

AudioDevice::~AudioDevice()
{
    // Closing waits for a callback in progress; none runs afterwards.
    m_system->close(m_device);
}

void AudioDevice::sync()
{
    const std::lock_guard lock(m_mutex);
    const bool wanted = m_channel.wantsOutput();
    if (wanted != m_running) {
        m_system->setRunning(m_device, wanted);
        m_running = wanted;
    }
}

void AudioDevice::callback(void* userdata, std::uint8_t* stream, int bytes)
{
    auto* self = static_cast<AudioDevice*>(userdata);
    auto* samples = reinterpret_cast<std::int16_t*>(stream);
    const int played = self->m_channel.fill(samples, bytes / 2);
    if (WavCapture* capture = self->m_system->capture())
        capture->write(samples, static_cast<std::size_t>(played));
}

} // namespace platform::speech
