// The running program: its screens, the backend's services, the random number generator, and
// which screen is active.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "engine/controls.h"
#include "engine/services.h"

namespace qbx {

class Screen;

// The keys a pad presses when it plays: walking left and right, firing, giving up the power-up.
struct PadKeys {
    int16_t left = vk::Left, right = vk::Right, fire = vk::Up, cancel = vk::Down;
};
inline constexpr int kMaxPads = 2;

class Program {
public:
    explicit Program(Services& services, const PictureCatalogue* pictures = nullptr)
        : services_(&services), pictures_(pictures) {}

    Services& Svc() const { return *services_; }
    Random& Rng() { return rng_; }

    // The picture of that name, or nullptr (always, for a program given no catalogue).
    PictureRef FindPicture(std::string_view name) const;
    const PictureCatalogue* Pictures() const { return pictures_; }
    // Who draws the pictures' pixels, for a backend that shows them (none headless).
    void SetArtist(const PictureArtist* artist) { artist_ = artist; }
    const PictureArtist* Artist() const { return artist_; }

    void AddScreen(Screen& s) { screens_.push_back(&s); }
    const std::vector<Screen*>& Screens() const { return screens_; }
    Screen* Find(std::string_view name) const;

    // The most recently shown screen that is still visible.
    Screen* Active() const;
    void Activated(Screen& s);

    // Controls of an unloaded screen are kept here until the outermost delivery is over, so a
    // handler that unloaded its own screen never runs on freed memory.
    void Bury(std::vector<std::unique_ptr<Control>>&& controls);

    // One delivery into the screens: a handler, a backend's call around one, or a whole play of
    // them. Deliveries nest; the controls buried meanwhile are freed when the outermost one is
    // over, however it ends (the program's end unwinding it included). Every backend delivers
    // inside one, so no caller frees them by hand. A null program delivers nothing of its own.
    class Delivery {
    public:
        explicit Delivery(Program* p) : p_(p) {
            if (p_) ++p_->deliveries_;
        }
        ~Delivery() {
            if (p_ && --p_->deliveries_ == 0) p_->graveyard_.clear();
        }
        Delivery(const Delivery&) = delete;
        Delivery& operator=(const Delivery&) = delete;

    private:
        Program* p_;
    };
    // Runs call as one delivery, to its end or the program's: false when the program ended
    // inside it.
    template <class Call>
    bool Run(Call&& call) {
        try {
            Delivery d(this);
            call();
            return true;
        } catch (const ProgramEnded&) {
            return false;
        }
    }
    // Controls buried and not yet freed (for tests).
    size_t Buried() const { return graveyard_.size(); }

    // How many players the pads play for, and each pad's keys: with one, every pad plays as
    // the first; with two, the second pad plays for player 2.
    void SetPadPlayers(int players, const PadKeys (&keys)[kMaxPads]) {
        padPlayers_ = players;
        for (int i = 0; i < kMaxPads; ++i) padKeys_[i] = keys[i];
    }
    int PadPlayers() const { return padPlayers_; }
    const PadKeys& PadKeysOf(int pad) const { return padKeys_[pad == 1 ? 1 : 0]; }

private:
    int padPlayers_ = 1;
    PadKeys padKeys_[kMaxPads]{};
    Services* services_;
    const PictureCatalogue* pictures_;
    const PictureArtist* artist_ = nullptr;
    Random rng_;
    std::vector<Screen*> screens_;
    std::vector<Screen*> activation_;
    std::vector<std::unique_ptr<Control>> graveyard_;
    int deliveries_ = 0;
};

}  // namespace qbx
