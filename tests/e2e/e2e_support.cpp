// Processes, the private X server and the game in it.
#include "e2e/e2e_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace qbx::e2e {

namespace {

using namespace std::chrono_literals;

// The test's own environment with the given entries put over it; never the offscreen platform
// the unit tests run on.
std::vector<std::string> Environment(const std::vector<std::string>& extra) {
    std::map<std::string, std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const size_t eq = entry.find('=');
        if (eq != std::string::npos) env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    env.erase("QT_QPA_PLATFORM");
    for (const std::string& entry : extra) {
        const size_t eq = entry.find('=');
        env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    std::vector<std::string> out;
    for (const auto& [k, v] : env) out.push_back(k + "=" + v);
    return out;
}

}  // namespace

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::string& outFile, int keepFd, int stdinFd) {
    const std::vector<std::string> full = Environment(env);
    std::vector<char*> args, envp;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : full) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        const int in = stdinFd >= 0 ? stdinFd : ::open("/dev/null", O_RDONLY);
        if (in >= 0) ::dup2(in, 0);
        if (keepFd >= 0) ::fcntl(keepFd, F_SETFD, 0);
        // The test's own signal dispositions are not the program's.
        for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) ::signal(sig, SIG_DFL);
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
}

Process::~Process() {
    if (pid_ <= 0 || status_) return;
    // Asked first, so Xvfb takes its socket and lock file away; killed if it does not go.
    ::kill(pid_, SIGTERM);
    if (WaitExit(10s)) return;
    ::kill(pid_, SIGKILL);
    int st = 0;
    ::waitpid(pid_, &st, 0);
}

void Process::Signal(int sig) const {
    if (pid_ > 0 && !status_) ::kill(pid_, sig);
}

std::optional<int> Process::WaitExit(std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!status_) {
        int st = 0;
        const pid_t r = ::waitpid(pid_, &st, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            break;
        }
        if (std::chrono::steady_clock::now() > end) break;
        std::this_thread::sleep_for(20ms);
    }
    return status_;
}

bool Process::Running() {
    return !WaitExit(0s);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

long TableEntry(const std::string& file, const std::string& player) {
    std::istringstream in(ReadFile(file));
    std::string name, value;
    while (std::getline(in, name) && std::getline(in, value))
        if (name == "\"" + player + "\"\r") return std::stol(value.substr(1));
    return -1;
}

int Run(const std::vector<std::string>& argv, const std::vector<std::string>& env,
        std::string* out) {
    TempDir dir;
    const std::string file = dir.Path() + "/out";
    Process p(argv, env, file);
    const std::optional<int> status = p.WaitExit(60s);
    if (out) *out = ReadFile(file);
    return status ? *status : -1;
}

XServer::XServer() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    process_.emplace(std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]),
                                              "-nolisten", "tcp", "-screen", "0", "1280x1024x24"},
                     std::vector<std::string>{}, dir_.Path() + "/xvfb.log", fds[1]);
    ::close(fds[1]);
    std::string number;
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < end) {
        pollfd p = {fds[0], POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0) continue;
        char c = 0;
        if (::read(fds[0], &c, 1) != 1) break;
        if (c == '\n') break;
        number += c;
    }
    ::close(fds[0]);
    if (number.empty()) throw std::runtime_error("Xvfb gave no display number");
    display_ = ":" + number;
}

int XServer::Tool(const std::vector<std::string>& args, std::string* out) const {
    std::string said;
    const int status = Run(args, Env(), &said);
    // A tool that failed says why in the test's output, with the server's own log.
    if (status != 0)
        std::cerr << args.front() << " exited " << status << ": " << said
                  << "Xvfb's log: " << ReadFile(dir_.Path() + "/xvfb.log") << "\n";
    if (out) *out = said;
    return status;
}

void XServer::Key(const std::string& name) const {
    Tool({"/usr/bin/xdotool", "key", name});
}

void XServer::KeyDown(const std::string& name) const {
    Tool({"/usr/bin/xdotool", "keydown", name});
}

void XServer::KeyUp(const std::string& name) const {
    Tool({"/usr/bin/xdotool", "keyup", name});
}

void XServer::ClickAt(int x, int y) const {
    Tool({"/usr/bin/xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"});
}

bool XServer::CloseBoxOf(pid_t pid) const {
    std::string ids;
    Tool({"/usr/bin/xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}, &ids);
    std::istringstream in(ids);
    std::vector<unsigned long> windows;
    for (unsigned long id = 0; in >> id;) windows.push_back(id);
    return windows.size() == 1 && CloseWindow(windows.front());
}

bool XServer::CloseWindow(unsigned long window) const {
    xcb_connection_t* c = xcb_connect(display_.c_str(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    auto atom = [c](const std::string& name) {
        const auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.data());
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, cookie, nullptr);
        const xcb_atom_t a = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        std::free(r);
        return a;
    };
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = static_cast<xcb_window_t>(window);
    e.type = atom("WM_PROTOCOLS");
    e.data.data32[0] = atom("WM_DELETE_WINDOW");
    e.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, e.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
    // A round trip: the server has taken the message once it answers.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    const bool sent = !xcb_connection_has_error(c);
    xcb_disconnect(c);
    return sent;
}

std::string Program() {
    const char* p = std::getenv("QUIBBLIX");
    return p && *p ? p : QUIBBLIX_PROGRAM;
}

std::string PanelGame() {
    return QUIBBLIX_PANEL_GAME;
}

Game::Game(const Desktop& desktop, const std::string& dir, const std::vector<std::string>& args,
           const std::string& program)
    : desktop_(desktop), dir_(dir) {
    std::filesystem::create_directories(RecordsDir());
    std::vector<std::string> argv = {program, "--records-dir", RecordsDir()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = desktop.Env();
    for (const std::string& e :
         {"HOME=" + dir, "XDG_CONFIG_HOME=" + dir + "/config", "XDG_DATA_HOME=" + dir + "/data",
          "XDG_RUNTIME_DIR=" + dir, "QUIBBLIX_STATE_FILE=" + dir + "/state",
          std::string("LOGIN=e2e"), std::string("SDL_AUDIODRIVER=dummy")})
        env.push_back(e);
    std::filesystem::remove(dir + "/state");
    process_.emplace(argv, env, dir + "/game.log");
}

std::string Game::StateText() const {
    return ReadFile(dir_ + "/state");
}

std::map<std::string, std::string> Game::State() const {
    std::map<std::string, std::string> words;
    std::string line = StateText();
    std::istringstream in(line);
    std::string word, last;
    while (in >> word) {
        const size_t eq = word.find('=');
        // A caption may hold a space: the rest belongs to the word before.
        if (eq == std::string::npos) {
            if (!last.empty()) words[last] += " " + word;
            continue;
        }
        last = word.substr(0, eq);
        words[last] = word.substr(eq + 1);
    }
    return words;
}

bool Game::WaitFor(const std::function<bool(const std::map<std::string, std::string>&)>& pred,
                   std::chrono::seconds limit) const {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (pred(State())) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(50ms);
    }
}

namespace {
bool HasAll(const std::map<std::string, std::string>& s, const std::vector<std::string>& words) {
    for (const std::string& w : words) {
        const size_t eq = w.find('=');
        auto it = s.find(w.substr(0, eq));
        if (it == s.end() || it->second != w.substr(eq + 1)) return false;
    }
    return true;
}
}  // namespace

bool Game::WaitForState(const std::vector<std::string>& words, std::chrono::seconds limit) const {
    return WaitFor([&](const auto& s) { return HasAll(s, words); }, limit);
}

bool Game::Holds(const std::vector<std::string>& words, std::chrono::milliseconds time) const {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        if (!HasAll(State(), words)) return false;
        std::this_thread::sleep_for(20ms);
    }
    return HasAll(State(), words);
}

void Game::Key(const std::string& name) const {
    desktop_.Key(name);
}

void Game::KeyDown(const std::string& name) const {
    desktop_.KeyDown(name);
}

void Game::KeyUp(const std::string& name) const {
    desktop_.KeyUp(name);
}

bool Game::KeyUntil(const std::string& name, const std::vector<std::string>& words,
                    std::chrono::seconds each) const {
    for (int i = 0; i < 5; ++i) {
        Key(name);
        if (WaitForState(words, each)) return true;
    }
    return false;
}

bool Game::FocusOn(const std::string& button) const {
    for (int i = 0; i < 8; ++i) {
        const std::string before = State()["focus"];
        if (before == button) return true;
        Key("Tab");
        WaitFor([&](const auto& s) { return s.count("focus") && s.at("focus") != before; }, 10s);
    }
    return State()["focus"] == button;
}

void Game::ClickAt(int x, int y) const {
    const auto s = State();
    const auto at = s.count("window") ? s.at("window") : std::string("0,0");
    const int wx = std::atoi(at.c_str());
    const int wy = std::atoi(at.substr(at.find(',') + 1).c_str());
    desktop_.ClickAt(wx + x, wy + y);
}

bool Game::CloseBox() const {
    return desktop_.CloseBoxOf(process_->Pid());
}

void ExpectScoredLevelOneGameRecorded(const std::string& recordsDir) {
    const std::string scores = ReadFile(recordsDir + "/Quibblix-Scores.txt");
    const std::string levels = ReadFile(recordsDir + "/Quibblix-Levels.txt");
    EXPECT_EQ(scores.rfind("\"E2E\"\r\n\"", 0), 0u) << scores;
    EXPECT_EQ(scores.find("\"E2E\"\r\n\"0\""), std::string::npos) << scores;
    EXPECT_EQ(levels.rfind("\"E2E\"\r\n\"1\"", 0), 0u) << levels;
    // Whole files: 40 lines each.
    EXPECT_EQ(std::count(scores.begin(), scores.end(), '\n'), 40) << scores;
    EXPECT_EQ(std::count(levels.begin(), levels.end(), '\n'), 40) << levels;
}

}  // namespace qbx::e2e
