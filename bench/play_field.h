// A game in the middle of level 14, reached through the real screens on the virtual clock: the
// menu's Play, the level set-up, then arrows launched under the bubbles and power-ups picked up
// and put aside, every step a line of the headless driver.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "backends/headless/driver.h"
#include "backends/headless/headless_services.h"
#include "forms/game/frmGame.h"
#include "forms/quibblix.h"
#include "app/stand_in.h"

namespace qbx::bench {

// The game on the headless backend, started at its menu, its record files in a temporary
// directory of its own.
struct HeadlessGame {
    explicit HeadlessGame(uint64_t seed);
    ~HeadlessGame();
    HeadlessGame(const HeadlessGame&) = delete;
    HeadlessGame& operator=(const HeadlessGame&) = delete;
    // Runs driver lines; returns the driver's status (-1 or 0 when all went well).
    int Run(const std::string& script);

    std::string recordsDir;
    HeadlessServices svc;
    Quibblix app;
    Driver driver;
    std::string err;
};

class BusyField {
public:
    // Plays until at least minBubbles bubbles are in the air with every slot of the recent
    // power-ups filled, or no bubble is left to split. Once the list is full, power-ups that
    // drop stay on the field. The seed is the headless clock's.
    BusyField(int minBubbles, uint64_t seed);

    int VisibleBubbles() const;
    int VisiblePowerups() const;
    int FilledHistory() const;
    // Stands the character on the floor at the left wall, clear of every bubble for a tick.
    void StandCharacterInView();
    // The lines sent so far, consecutive waits merged: replaying them on a fresh program with
    // the same seed reaches the same field.
    const std::vector<std::string>& Script() const { return script_; }
    bool Reached() const { return reached_; }

    HeadlessGame h;
    FrmGame& g;

private:
    void Send(const std::string& line);
    void Step();
    bool SafeAt(float left, int ticks) const;
    bool CanSplit() const;
    void Shoot();
    void CollectLanded();

    std::vector<std::string> script_;
    int nextTarget_ = 0;
    bool reached_ = false;
};

}  // namespace qbx::bench
