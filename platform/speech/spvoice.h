#pragma once

#include "platform/speech/voice.h"

namespace platform {

/// The real engine: espeak-ng synthesis on one worker thread, SDL2 output.
class EspeakEngine final : public SpeechEngine {
public:
    EspeakEngine() = default;
    std::unique_ptr<ISpeechVoice> createVoice() override;
};

} // namespace platform
