// The private compositor and the tools that work in it.
#include "e2e/wayland_support.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

namespace qbx::e2e {

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// "ctrl+n" as wtype's arguments: the modifiers held around the key.
std::vector<std::string> KeyArgs(const std::string& name, const std::string& press) {
    std::vector<std::string> parts;
    std::istringstream in(name);
    for (std::string part; std::getline(in, part, '+');) parts.push_back(part);
    std::vector<std::string> args = {"/usr/bin/wtype"};
    for (size_t i = 0; i + 1 < parts.size(); ++i) args.insert(args.end(), {"-M", parts[i]});
    args.insert(args.end(), {press, parts.back()});
    for (size_t i = parts.size() - 1; i-- > 0;) args.insert(args.end(), {"-m", parts[i]});
    return args;
}

}  // namespace

Compositor::Compositor(const std::string& config) {
    for (const char* tool :
         {"/usr/bin/sway", "/usr/bin/swaymsg", "/usr/bin/wtype", "/usr/bin/grim"})
        if (::access(tool, X_OK) != 0) {
            why_ = std::string(tool) + " is not installed";
            return;
        }
    runtime_ = dir_.Path() + "/run";
    fs::create_directory(runtime_);
    const std::string configFile = dir_.Path() + "/sway.config";
    {
        std::ofstream out(configFile);
        // Fast repeats: many chances for a repeat to look like a second press.
        out << "output HEADLESS-1 resolution 1280x1024\n"
            << "input * repeat_delay 150\ninput * repeat_rate 50\n"
            << config << "\n";
    }
    std::vector<std::string> argv;
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody || ::access("/usr/bin/setpriv", X_OK) != 0) {
            why_ = "sway will not run as root, and there is no account nobody to run it as";
            return;
        }
        // The compositor's own directories are its account's; the way to them is open.
        ::chmod(dir_.Path().c_str(), 0711);
        ::chmod(configFile.c_str(), 0644);
        if (::chown(runtime_.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
            why_ = "cannot give the runtime directory to nobody";
            return;
        }
        argv = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    }
    ::chmod(runtime_.c_str(), 0700);
    for (const std::string& a :
         {std::string("/usr/bin/env"), std::string("-i"), "XDG_RUNTIME_DIR=" + runtime_,
          "HOME=" + runtime_, std::string("WLR_BACKENDS=headless"),
          std::string("WLR_RENDERER=pixman"), std::string("WLR_LIBINPUT_NO_DEVICES=1"),
          std::string("/usr/bin/sway"), std::string("-c"), configFile})
        argv.push_back(a);
    sway_.emplace(argv, std::vector<std::string>{}, dir_.Path() + "/sway.log");

    // Up once its socket and its command socket are there and it reports its output.
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (!up_ && std::chrono::steady_clock::now() < end) {
        if (!sway_->Running()) break;
        std::error_code err;
        for (const auto& e : fs::directory_iterator(runtime_, err)) {
            const std::string name = e.path().filename().string();
            if (name.rfind("wayland-", 0) == 0 && name.find(".lock") == std::string::npos)
                socket_ = e.path().string();
            if (name.rfind("sway-ipc.", 0) == 0) ipc_ = e.path().string();
        }
        std::string outputs;
        if (!socket_.empty() && !ipc_.empty() &&
            Run({"/usr/bin/swaymsg", "-t", "get_outputs"}, Env(), &outputs) == 0 &&
            outputs.find("HEADLESS-1") != std::string::npos)
            up_ = true;
        else
            std::this_thread::sleep_for(50ms);
    }
    if (!up_) {
        why_ = "sway did not start: " + ReadFile(dir_.Path() + "/sway.log");
        return;
    }
    // A keyboard plugged in all along, as on a desktop: without one, the seat only gains a
    // keyboard with each tool's first press, which then reaches the window as a key already
    // down when the keyboard arrived, and windows rightly take no press from that.
    keyboard_.emplace(std::vector<std::string>{"/usr/bin/wtype", "-s", "100000000"}, Env(),
                      dir_.Path() + "/keyboard.log");
    while (std::chrono::steady_clock::now() < end) {
        std::string inputs;
        if (Run({"/usr/bin/swaymsg", "-t", "get_inputs"}, Env(), &inputs) == 0 &&
            inputs.find("\"keyboard\"") != std::string::npos)
            return;
        std::this_thread::sleep_for(50ms);
    }
    up_ = false;
    why_ = "the compositor never got a keyboard";
}

std::vector<std::string> Compositor::Env() const {
    return {"QT_QPA_PLATFORM=wayland", "WAYLAND_DISPLAY=" + socket_, "SWAYSOCK=" + ipc_,
            "DISPLAY="};
}

int Compositor::Tool(const std::vector<std::string>& args, std::string* out) const {
    std::string said;
    const int status = Run(args, Env(), &said);
    if (status != 0)
        std::cerr << args.front() << " exited " << status << ": " << said
                  << "sway's log: " << ReadFile(dir_.Path() + "/sway.log") << "\n";
    if (out) *out = said;
    return status;
}

void Compositor::Key(const std::string& name) const {
    Tool(KeyArgs(name, "-k"));
}

void Compositor::KeyDown(const std::string& name) const {
    Tool(KeyArgs(name, "-P"));
}

void Compositor::KeyUp(const std::string& name) const {
    Tool(KeyArgs(name, "-p"));
}

std::unique_ptr<Process> Compositor::Hold(const std::string& name, int milliseconds) const {
    return std::make_unique<Process>(
        std::vector<std::string>{"/usr/bin/wtype", "-P", name, "-s", std::to_string(milliseconds),
                                 "-p", name},
        Env(), dir_.Path() + "/hold.log");
}

void Compositor::ClickAt(int x, int y) const {
    for (const std::string& command :
         {"seat seat0 cursor set " + std::to_string(x) + " " + std::to_string(y),
          std::string("seat seat0 cursor press button1"),
          std::string("seat seat0 cursor release button1")})
        Tool({"/usr/bin/swaymsg", command});
}

bool Compositor::CloseBoxOf(pid_t pid) const {
    // The window may not be mapped yet: the compositor knows it once the command finds it.
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < end) {
        if (Run({"/usr/bin/swaymsg", "[pid=" + std::to_string(pid) + "] kill"}, Env()) == 0)
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

bool Compositor::Shot(const std::string& pngFile) const {
    return Tool({"/usr/bin/grim", pngFile}) == 0;
}

std::pair<int, int> PngSize(const std::string& file) {
    const std::string data = ReadFile(file);
    if (data.size() < 24 || data.compare(1, 3, "PNG") != 0) return {0, 0};
    auto word = [&](size_t at) {
        int v = 0;
        for (size_t i = 0; i < 4; ++i) v = v * 256 + static_cast<unsigned char>(data[at + i]);
        return v;
    };
    return {word(16), word(20)};
}

}  // namespace qbx::e2e
