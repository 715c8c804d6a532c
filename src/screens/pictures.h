// The game's pictures: one shared object each, with its name and natural size in pixels. The
// core knows only these; the Qt backend draws their pixels.
#pragma once

#include <string_view>
#include <vector>

#include "platform/controls.h"

namespace qbx {

// The picture named after the control that owns it ("ballreds1", "lifex", "regarrow", ...),
// or nullptr.
PictureRef LookupPicture(std::string_view name);
const std::vector<const Picture*>& AllPictures();

}  // namespace qbx
