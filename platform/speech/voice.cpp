#include "platform/speech/voice.h"

#include "platform/error.h"

namespace platform {

const ISpeechObjectToken& ISpeechObjectTokens::Item(long index) const
{
    if (index < 0 || index >= Count())
        throw invalidCall(QStringLiteral("there is no voice number ") + QString::number(index));
    return m_tokens[static_cast<std::size_t>(index)];
}

} // namespace platform
