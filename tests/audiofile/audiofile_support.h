#pragma once
// Helpers for tests of audio files: decoding what was written, and the
// conditions under which writing fails.

#include "failing_writes.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <unistd.h>
#include <vector>

/// A file as libsndfile reads it back.
struct Decoded {
    bool opened = false;
    int format = 0; ///< SF_FORMAT_... major and sub type
    int channels = 0;
    int sampleRate = 0;
    QString title;
    std::vector<float> samples;

    int major() const { return format & SF_FORMAT_TYPEMASK; }
    int subtype() const { return format & SF_FORMAT_SUBMASK; }
    double seconds() const { return sampleRate ? double(samples.size()) / sampleRate : 0.0; }
    float peak() const
    {
        float top = 0;
        for (float s : samples)
            top = std::max(top, std::fabs(s));
        return top;
    }
};

inline Decoded decode(const QString& path)
{
    Decoded out;
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return out;
    out.opened = true;
    out.format = info.format;
    out.channels = info.channels;
    out.sampleRate = info.samplerate;
    if (const char* title = sf_get_string(file, SF_STR_TITLE))
        out.title = QString::fromUtf8(title);
    std::vector<float> block(4096 * static_cast<std::size_t>(std::max(1, info.channels)));
    sf_count_t got = 0;
    while ((got = sf_readf_float(file, block.data(), 4096)) > 0)
        out.samples.insert(out.samples.end(), block.begin(),
                           block.begin() + got * std::max(1, info.channels));
    sf_close(file);
    return out;
}

/// Every file in a folder, hidden temporaries included.
inline QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}
