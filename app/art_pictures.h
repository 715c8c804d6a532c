// The art as the backends see it: pictures drawn by name through the engine's interface.
#pragma once

#include "engine/controls.h"

namespace qbx {

class ArtPictures : public PictureArtist {
public:
    PicturePixels Draw(const Picture& picture, double pixelRatio) const override;
};

}  // namespace qbx
