#include "platform/speech/spvoice.h"

#include "platform/error.h"

namespace platform {

// Placeholder until the espeak-ng backend lands.
std::unique_ptr<ISpeechVoice> EspeakEngine::createVoice()
{
    throw Error(429, QStringLiteral("The speech engine is not available"));
}

} // namespace platform
