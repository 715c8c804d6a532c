// Level 14 played into a busy field through the driver: the character is put under a bubble
// only for the moment its arrow is launched, and onto a landed power-up only when no bubble can
// reach it for a few ticks, so the game goes on without a death.
#include "play_field.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace qbx::bench {

namespace {
std::string MakeTempDir() {
    std::string path = (std::filesystem::temp_directory_path() / "quibblix-bench-XXXXXX").string();
    if (!mkdtemp(path.data())) return std::filesystem::temp_directory_path().string();
    return path;
}
}  // namespace

HeadlessGame::HeadlessGame(uint64_t seed)
    : recordsDir(MakeTempDir()), svc(seed), app(svc), driver(app.program, svc) {
    svc.Attach(app.program);
    svc.SetProgramDir(recordsDir);
    app.Start();
}

HeadlessGame::~HeadlessGame() {
    std::error_code ec;
    if (recordsDir.find("quibblix-bench-") != std::string::npos)
        std::filesystem::remove_all(recordsDir, ec);
}

int HeadlessGame::Run(const std::string& script) {
    std::istringstream in(script);
    std::ostringstream out, error;
    const int rc = driver.Run(in, out, error);
    err += error.str();
    return rc;
}

namespace {
constexpr int kStepMs = 10;
constexpr int kMaxSteps = 30000;  // five minutes of virtual play at most
constexpr float kCharacterTop = 4875, kCharacterWidth = 345, kCharacterHeight = 540;
}  // namespace

BusyField::BusyField(int minBubbles, uint64_t seed) : h(seed), g(h.app.game) {
    Send("click frmMenu.cmdPlay");
    Send("set frmGame.Level 14");
    Send("call frmGame.Form_Load");
    Send("set frmGame.imgCharacter.Left " + std::to_string(kAside));
    Send("wait 2500");  // the countdown
    auto& c = g.C();
    for (int step = 0; step < kMaxSteps; ++step) {
        if (!g.IsLoaded() || c.cmdContinue->Visible) break;
        if (!c.arrow->Visible) {
            const bool full = FilledHistory() == c.hpwrup.Count();
            if (VisibleBubbles() >= minBubbles && full) {
                reached_ = true;
                break;
            }
            if (!CanSplit() && (full || VisiblePowerups() == 0)) break;
        }
        Step();
    }
}

void BusyField::Send(const std::string& line) {
    if (line.rfind("wait ", 0) == 0 && !script_.empty() && script_.back().rfind("wait ", 0) == 0)
        script_.back() = "wait " + std::to_string(std::stoll(script_.back().substr(5)) +
                                                  std::stoll(line.substr(5)));
    else
        script_.push_back(line);
    h.Run(line + "\n");
}

int BusyField::VisibleBubbles() const {
    auto& c = g.C();
    int n = 0;
    for (int i = 0; i <= c.BubblePic.UBound(); ++i)
        if (const Image* b = c.BubblePic.Get(i); b && b->Visible) ++n;
    return n;
}

bool BusyField::CanSplit() const {
    auto& c = g.C();
    for (int i = 0; i <= c.BubblePic.UBound(); ++i)
        if (const Image* b = c.BubblePic.Get(i); b && b->Visible && g.Bubbles[i].Size >= 2)
            return true;
    return false;
}

int BusyField::VisiblePowerups() const {
    auto& c = g.C();
    int n = 0;
    for (int i = c.pwrup.LBound(); i <= c.pwrup.UBound(); ++i)
        if (const Image* p = c.pwrup.Get(i); p && p->Visible) ++n;
    return n;
}

int BusyField::FilledHistory() const {
    auto& c = g.C();
    int n = 0;
    for (int i = 0; i < c.hpwrup.Count(); ++i)
        if (c.hpwrup(i).Picture != c.lifex->Picture) ++n;
    return n;
}

// No bubble can touch a character standing at left within the given number of ticks.
bool BusyField::SafeAt(float left, int ticks) const {
    auto& c = g.C();
    const float reachX = 30.0f * static_cast<float>(ticks) + 60, reachY = reachX;
    for (int i = 0; i <= c.BubblePic.UBound(); ++i) {
        const Image* b = c.BubblePic.Get(i);
        if (!b || !b->Visible) continue;
        if (b->Left - reachX < left + kCharacterWidth && left < b->Left + b->Width + reachX &&
            b->Top - reachY < kCharacterTop + kCharacterHeight &&
            kCharacterTop < b->Top + b->Height + reachY)
            return false;
    }
    return true;
}

void BusyField::Shoot() {
    const std::optional<int> left = AimUnderABubble(g, nextTarget_, 12);
    if (!left) return;
    Send("set frmGame.imgCharacter.Left " + std::to_string(*left));
    Send("key W");
    Send("set frmGame.imgCharacter.Left " + std::to_string(kAside));
}

void BusyField::CollectLanded() {
    auto& c = g.C();
    const float floorLine = c.shpBottom->Top;
    for (int i = c.pwrup.LBound(); i <= c.pwrup.UBound(); ++i) {
        const Image* p = c.pwrup.Get(i);
        if (!p || !p->Visible || p->Top + p->Height < floorLine) continue;
        const float left = std::clamp(p->Left - 45, 0.0f, 13000.0f);
        if (!SafeAt(left, 4)) continue;
        Send("set frmGame.imgCharacter.Left " + std::to_string(static_cast<int>(left)));
        Send("wait " + std::to_string(kStepMs));
        Send("set frmGame.imgCharacter.Left " + std::to_string(kAside));
        return;
    }
}

void BusyField::Step() {
    auto& c = g.C();
    Shoot();
    // Once the recent list is full, power-ups that drop stay on the field.
    if (FilledHistory() == c.hpwrup.Count()) {
        Send("wait " + std::to_string(kStepMs));
        return;
    }
    CollectLanded();
    // Each power-up taken is put aside at once, into the recent list.
    const PictureRef active = c.apwrup->Picture;
    if (!c.arrow->Visible && active != c.lifex->Picture && active != c.pwruplife->Picture)
        Send("key S");
    Send("wait " + std::to_string(kStepMs));
}

void BusyField::StandCharacterInView() {
    for (float left = 0; left < 13000; left += 150)
        if (SafeAt(left, 1)) {
            Send("set frmGame.imgCharacter.Left " + std::to_string(static_cast<int>(left)));
            return;
        }
}

}  // namespace qbx::bench
