// The game on Wayland: a private headless sway run as an unprivileged account (it will not run
// as root), keys through the virtual-keyboard protocol (wtype), pictures with grim and the
// window manager's commands through swaymsg.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"

namespace qbx::e2e {

class Compositor : public Desktop {
public:
    // The lines given are added to the compositor's configuration.
    explicit Compositor(const std::string& config = "");
    // Whether it started; if not, why.
    bool Up() const { return up_; }
    const std::string& Why() const { return why_; }

    std::vector<std::string> Env() const override;
    void Key(const std::string& name) const override;
    void KeyDown(const std::string& name) const override;
    void KeyUp(const std::string& name) const override;
    void ClickAt(int x, int y) const override;
    bool CloseBoxOf(pid_t pid) const override;
    // The key held down for the time given by one keyboard, started now; the key is up once the
    // process has ended.
    std::unique_ptr<Process> Hold(const std::string& name, int milliseconds) const;
    // A picture of the whole output, as PNG; false if grim failed.
    bool Shot(const std::string& pngFile) const;
    int Tool(const std::vector<std::string>& args, std::string* out = nullptr) const;

private:
    TempDir dir_;
    std::string runtime_, socket_, ipc_, why_;
    bool up_ = false;
    std::optional<Process> sway_;
    std::optional<Process> keyboard_;
};

// A PNG file's width and height; zero if it is not one.
std::pair<int, int> PngSize(const std::string& file);

}  // namespace qbx::e2e
