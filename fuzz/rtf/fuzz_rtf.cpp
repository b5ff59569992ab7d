// libFuzzer entry for the RTF reader. Run with the corpus as seeds:
//   mkdir -p /tmp/rtf-corpus && cp tests/data/rtf/*/*.rtf /tmp/rtf-corpus/
//   build-fuzz/fuzz/rtf/rtf_fuzz -dict=fuzz/rtf/rtf.dict /tmp/rtf-corpus
#include "platform/richtext/rtfreader.h"
#include "platform/richtext/rtfwriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

/// The text with paragraphs as LF, as both reads must give it.
QString textOf(const QTextDocument& document)
{
    return document.toRawText().replace(QChar(0x2029), u'\n');
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const platform::RtfContent content = platform::parseRtf(bytes);
    const auto document = platform::buildDocument(content, QFont());
    // What we read, we must write so that it reads back the same.
    const QByteArray written = platform::writeRtf(*document);
    const auto again = platform::buildDocument(platform::parseRtf(written), QFont());
    if (textOf(*again) != textOf(*document) || !platform::parseRtf(written).report.clean())
        std::abort();
    return 0;
}
