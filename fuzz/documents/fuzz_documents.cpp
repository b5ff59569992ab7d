// libFuzzer entry for the document readers. A zip (a Word document, an
// OpenDocument text, a book) is read as it is; other inputs are the main
// part of a document wrapped in a zip by their first byte ('w' Word's
// document.xml, 'o' OpenDocument's content.xml), or a web page. PDF is
// poppler's own, fuzzed where poppler is made.
#include "platform/documents/documents.h"

#include "zipwriter.h"

#include <QFont>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QByteArray wrapped(const QByteArray& data, platform::DocumentFormat& format)
{
    const QByteArray rest = data.mid(1);
    switch (data.isEmpty() ? 'h' : data[0]) {
    case 'w':
        format = platform::DocumentFormat::Docx;
        return testzip::make({{u"word/document.xml"_s, rest}});
    case 'o':
        format = platform::DocumentFormat::Odt;
        return testzip::make(
            {{u"mimetype"_s, "application/vnd.oasis.opendocument.text"}, {u"content.xml"_s, rest}});
    default:
        format = platform::DocumentFormat::Html;
        return rest;
    }
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
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    platform::DocumentFormat format = platform::recogniseDocument(bytes, u"fuzz"_s);
    if (format == platform::DocumentFormat::Pdf)
        return 0;
    if (format == platform::DocumentFormat::None || format == platform::DocumentFormat::Html)
        bytes = wrapped(bytes, format);
    const platform::DocumentRead read = platform::readDocument(bytes, format, u"fuzz"_s, QFont());
    // Every input either opens or is refused with a reason, never both or neither.
    if (bool(read.document) == read.error.has_value())
        std::abort();
    return 0;
}
