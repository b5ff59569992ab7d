#pragma once

#include <memory>

struct Pix;

namespace platform::ocr {

/// Leptonica's picture, destroyed with its holder.
struct PixDeleter {
    void operator()(Pix* pix) const;
};
using PixHolder = std::unique_ptr<Pix, PixDeleter>;

} // namespace platform::ocr
