// libFuzzer entry for the decoding of pictures of pages: every input is
// either refused with a reason or gives pages within the bounds.
#include "platform/error.h"
#include "platform/ocr/pictures.h"

#include <leptonica/allheaders.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const platform::ocr::PictureFile file(bytes, QStringLiteral("fuzz.png"));
        if (file.count() < 1 || file.count() > platform::ocr::maxPictures)
            std::abort();
        // The first pages decode or are null, within the bounds either way.
        for (int page = 0; page < std::min(file.count(), 3); ++page) {
            const platform::ocr::PixHolder pix = file.page(page);
            if (pix && (pixGetDepth(pix.get()) != 8 ||
                        qint64(pixGetWidth(pix.get())) * pixGetHeight(pix.get()) >
                            platform::ocr::maxPixels))
                std::abort();
        }
    } catch (const platform::Error& error) {
        if (error.description().isEmpty())
            std::abort();
    }
    return 0;
}
