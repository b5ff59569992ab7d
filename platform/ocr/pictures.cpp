// Decoding pictures of pages through Leptonica, which reads every format a
// scanner or a telephone writes, with their sizes checked on the headers
// before any pixel is decoded.
#include "platform/ocr/pictures.h"

#include "platform/documentlimits.h"
#include "platform/error.h"

#include <leptonica/allheaders.h>

#include <cstdio>
#include <mutex>

namespace platform::ocr {

void PixDeleter::operator()(Pix* pix) const
{
    pixDestroy(&pix);
}

namespace {

/// Leptonica writes every complaint about a damaged file to the terminal;
/// the refusal says what matters instead.
void quietLeptonica()
{
    static std::once_flag once;
    std::call_once(once, [] { setMsgSeverity(L_SEVERITY_NONE); });
}

const l_uint8* bytes(const QByteArray& data)
{
    return reinterpret_cast<const l_uint8*>(data.constData());
}

Error damagedPicture(const QString& fileName)
{
    return Error(err::BadFileFormat,
                 QStringLiteral("Invalid file format: the picture \"%1\" is damaged or incomplete "
                                "(it could not be decoded).")
                     .arg(fileName));
}

Error tooLargePicture(const QString& fileName, const QString& detail)
{
    return Error(err::OutOfMemory,
                 QStringLiteral("Out of memory: the document is too large to open: \"%1\" %2.")
                     .arg(fileName, detail));
}

void checkSize(qint64 width, qint64 height, const QString& fileName)
{
    if (width <= 0 || height <= 0)
        throw damagedPicture(fileName);
    if (width * height > maxPixels)
        throw tooLargePicture(fileName, QStringLiteral("is a picture of ") +
                                            limits::moreThan(maxPixels / 1'000'000,
                                                             QStringLiteral("million pixels")));
}

/// The pages of a TIFF, counted on its directories without decoding them.
int tiffPages(const QByteArray& data)
{
    // fmemopen only reads; the cast is for its signature.
    FILE* file = fmemopen(const_cast<char*>(data.constData()), std::size_t(data.size()), "rb");
    if (!file)
        return 0;
    l_int32 count = 0;
    if (tiffGetCount(file, &count) != 0)
        count = 0;
    std::fclose(file);
    return count;
}

} // namespace

bool isPicture(QByteArrayView data)
{
    return data.startsWith("\x89PNG\r\n\x1a\n") || data.startsWith("\xFF\xD8\xFF") ||
           data.startsWith("II*\0") || data.startsWith(QByteArrayView("MM\0*", 4)) ||
           (data.startsWith("RIFF") && data.size() >= 12 && data.sliced(8, 4) == "WEBP") ||
           data.startsWith("BM");
}

PictureFile::PictureFile(QByteArray data, const QString& fileName)
    : m_data(std::move(data)), m_fileName(fileName)
{
    quietLeptonica();
    if (!isPicture(m_data))
        throw damagedPicture(fileName);
    l_int32 format = IFF_UNKNOWN, width = 0, height = 0, bps = 0, spp = 0, colormap = 0;
    if (pixReadHeaderMem(bytes(m_data), std::size_t(m_data.size()), &format, &width, &height, &bps,
                         &spp, &colormap) != 0)
        throw damagedPicture(fileName);
    m_tiff = L_FORMAT_IS_TIFF(format);
    if (!m_tiff) {
        checkSize(width, height, fileName);
        m_count = 1;
        return;
    }
    m_count = tiffPages(m_data);
    if (m_count <= 0)
        throw damagedPicture(fileName);
    if (m_count > maxPictures)
        throw tooLargePicture(fileName, QStringLiteral("has ") +
                                            limits::moreThan(maxPictures, QStringLiteral("pages")));
    for (int n = 0; n < m_count; ++n) {
        l_int32 resolution = 0, tiffFormat = 0;
        if (readHeaderMemTiff(bytes(m_data), std::size_t(m_data.size()), n, &width, &height, &bps,
                              &spp, &resolution, &colormap, &tiffFormat) != 0)
            throw damagedPicture(fileName);
        checkSize(width, height, fileName);
    }
}

PixHolder PictureFile::page(int index) const
{
    if (index < 0 || index >= m_count)
        return nullptr;
    const PixHolder decoded(m_tiff
                                ? pixReadMemTiff(bytes(m_data), std::size_t(m_data.size()), index)
                                : pixReadMem(bytes(m_data), std::size_t(m_data.size())));
    if (!decoded)
        return nullptr;
    // The header may have lied: the decoded picture is checked again.
    if (qint64(pixGetWidth(decoded.get())) * pixGetHeight(decoded.get()) > maxPixels)
        return nullptr;
    return PixHolder(pixConvertTo8(decoded.get(), 0));
}

} // namespace platform::ocr
