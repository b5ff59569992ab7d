#include "parlivox/common/logic/appstate.h"

#include "platform/speech/voice.h"

AppState::AppState(platform::SpeechEngine& engine) : m_engine(engine) {}

AppState::~AppState() = default;

platform::ISpeechVoice& AppState::objVoice()
{
    if (!m_voice)
        m_voice = m_engine.createVoice();
    return *m_voice;
}

void AppState::releaseVoice()
{
    m_voice.reset();
}
