// The game's pictures: one shared object each, with its name and natural size in pixels. The
// screens know only these; the art draws their pixels by name.
#pragma once

#include <string_view>
#include <vector>

#include "engine/controls.h"

namespace qbx {

// The catalogue of every picture, handed to the program.
const PictureCatalogue& GamePictures();

// The picture named after the control that owns it ("ballreds1", "lifex", "regarrow", ...),
// or nullptr.
PictureRef LookupPicture(std::string_view name);
const std::vector<PictureRef>& AllPictures();

}  // namespace qbx
