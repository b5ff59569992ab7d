// Feeds arbitrary bytes to the product descriptor reader and checks what it
// promises: values fit their 255-character buffer and hold no NUL, and the
// version texts are canonical numbers of 16 bits, and a public key is
// either absent or exactly 32 bytes.
#include "nuvafetch/logic/descriptor.h"
#include "platform/inifile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkVersion(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    require(ok && value >= -32768 && value <= 32767 && QString::number(value) == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    if (const auto descriptor = readDescriptor(content)) {
        require(descriptor->productName.size() < descriptorBufferSize);
        require(!descriptor->productName.contains(QChar(u'\0')));
        require(!isUnreadableName(descriptor->productName));
        checkVersion(descriptor->majorText);
        checkVersion(descriptor->minorText);
        checkVersion(descriptor->revText);
        require(descriptor->publicKey.isEmpty() || descriptor->publicKey.size() == 32);
    }

    // Any buffer size, including the degenerate ones, keeps to its bound.
    const int bufferSize = size > 0 ? data[0] % 8 : 0;
    const QString value = platform::readProfileString(content, u"Product", u"Name",
                                                      QStringLiteral("Unknown"), bufferSize);
    require(value.size() <= std::max(bufferSize - 1, 0));
    return 0;
}
