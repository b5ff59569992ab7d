#pragma once

#include "platform/ocr/pix.h"

#include <QByteArray>
#include <QString>

// Pictures of pages (a scan, a photograph, every page of a TIFF), decoded
// for recognition within fixed bounds: a file is refused before a page is
// decoded when it claims more pages or pixels than a scan of a page can have.
namespace platform::ocr {

/// A picture larger than this many pixels is refused (a page scanned at
/// 1200 dpi has about 140 million; at 600 dpi 35 million).
inline constexpr qint64 maxPixels = 100'000'000;
/// A file with more pictures than this is refused.
inline constexpr int maxPictures = 500;

/// Whether the bytes start as a picture this reader decodes: PNG, JPEG,
/// TIFF, WebP or BMP.
bool isPicture(QByteArrayView data);

/// The pictures of one file, checked against the bounds when made.
class PictureFile {
public:
    /// Throws platform::Error refusing the file when it is not a picture
    /// that can be read, has more than maxPictures pages, or a page of more
    /// than maxPixels. fileName names it in the refusal.
    PictureFile(QByteArray data, const QString& fileName);

    int count() const { return m_count; }
    /// Page index (0-based) as 8-bit grey, or null when it cannot be
    /// decoded. Safe to call from several threads at once.
    PixHolder page(int index) const;

private:
    QByteArray m_data;
    QString m_fileName;
    bool m_tiff = false;
    int m_count = 0;
};

} // namespace platform::ocr
