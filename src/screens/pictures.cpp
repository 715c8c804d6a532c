// Every picture of the game, each a single object shared by all the controls that show it.
#include "screens/pictures.h"

#include <array>

namespace qbx {

namespace {
const std::array<Picture, 21> kPictures{{
    {"ballreds1", 10, 10},   {"ballreds2", 19, 19},         {"ballreds3", 39, 39},
    {"ballreds4", 78, 78},   {"ballgreens1", 10, 10},       {"ballgreens2", 19, 19},
    {"ballgreens3", 39, 39}, {"ballgreens4", 78, 78},       {"lifex", 17, 14},
    {"pwruplife", 17, 14},   {"pwrupslow", 17, 14},         {"pwrupfast", 17, 14},
    {"pwrupwall", 17, 14},   {"regarrow", 8, 350},          {"arrowfast", 8, 350},
    {"arrowwall", 7, 360},   {"imgCharBack", 23, 36},       {"imgCharRight", 23, 36},
    {"imgCharLeft", 23, 36}, {"imgCharacterSmall", 19, 29}, {"imgBricks", 931, 145},
}};
}  // namespace

PictureRef LookupPicture(std::string_view name) {
    for (const Picture& p : kPictures)
        if (p.name == name) return &p;
    return nullptr;
}

const std::vector<const Picture*>& AllPictures() {
    static const std::vector<const Picture*> all = [] {
        std::vector<const Picture*> v;
        for (const Picture& p : kPictures) v.push_back(&p);
        return v;
    }();
    return all;
}

}  // namespace qbx
