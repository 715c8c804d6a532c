// Hands the art's drawings to the backends.
#include "art_pictures.h"

#include <cstring>

#include "art/art.h"

namespace qbx {

PicturePixels ArtPictures::Draw(const Picture& picture, double pixelRatio) const {
    QImage image = art::RenderPicture(picture, pixelRatio);
    PicturePixels out;
    if (image.isNull()) return out;
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out.width = image.width();
    out.height = image.height();
    out.argb.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
    for (int y = 0; y < out.height; ++y)
        std::memcpy(out.argb.data() + static_cast<size_t>(y) * static_cast<size_t>(out.width),
                    image.constScanLine(y), static_cast<size_t>(out.width) * 4);
    return out;
}

}  // namespace qbx
