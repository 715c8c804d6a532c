// Every picture of the game, each a single object shared by all the controls that show it.
#include "forms/pictures.h"

#include <array>

namespace qbx {

namespace {
const std::array<Picture, 24> kPictures{{
    {"ballreds1", 10, 10},    {"ballreds2", 19, 19},         {"ballreds3", 39, 39},
    {"ballreds4", 78, 78},    {"ballgreens1", 10, 10},       {"ballgreens2", 19, 19},
    {"ballgreens3", 39, 39},  {"ballgreens4", 78, 78},       {"lifex", 17, 14},
    {"pwruplife", 17, 14},    {"pwrupslow", 17, 14},         {"pwrupfast", 17, 14},
    {"pwrupwall", 17, 14},    {"regarrow", 8, 350},          {"arrowfast", 8, 350},
    {"arrowwall", 7, 360},    {"imgCharBack", 23, 36},       {"imgCharRight", 23, 36},
    {"imgCharLeft", 23, 36},  {"imgCharacterSmall", 19, 29}, {"imgBricks", 931, 145},
    {"imgCharBack2", 23, 36}, {"imgCharRight2", 23, 36},     {"imgCharLeft2", 23, 36},
}};

class Catalogue : public PictureCatalogue {
public:
    PictureRef Find(std::string_view name) const override {
        for (const Picture& p : kPictures)
            if (p.name == name) return &p;
        return nullptr;
    }
    const std::vector<PictureRef>& All() const override { return all_; }

private:
    std::vector<PictureRef> all_ = [] {
        std::vector<PictureRef> v;
        for (const Picture& p : kPictures) v.push_back(&p);
        return v;
    }();
};
}  // namespace

const PictureCatalogue& GamePictures() {
    static const Catalogue catalogue;
    return catalogue;
}

PictureRef LookupPicture(std::string_view name) {
    return GamePictures().Find(name);
}

const std::vector<PictureRef>& AllPictures() {
    return GamePictures().All();
}

}  // namespace qbx
