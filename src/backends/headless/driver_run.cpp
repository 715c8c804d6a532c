// Running the driver's commands: input, checks and changes to the program, and input posted to
// arrive at the next event pump.
#include <algorithm>
#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <sstream>

#include "backends/headless/control_properties.h"
#include "backends/headless/driver.h"
#include "backends/headless/driver_internal.h"
#include "engine/screen.h"

namespace qbx {

using driver::ParseBool;
using driver::ParseFloat;
using driver::ParseLong;
using driver::SplitIndexed;
using driver::Trim;

namespace {

// Assigns a script's value to a screen variable or record field; false when the value does not
// fit its type.
bool AssignVar(const VarRef& var, const std::string& v) {
    long long n = 0;
    bool b = false;
    float f = 0;
    switch (var.type) {
        case VarRef::I16:
            if (!ParseLong(v, n) || n < -32768 || n > 32767) return false;
            *static_cast<int16_t*>(var.ptr) = static_cast<int16_t>(n);
            return true;
        case VarRef::I32:
            if (!ParseLong(v, n) || n < INT32_MIN || n > INT32_MAX) return false;
            *static_cast<int32_t*>(var.ptr) = static_cast<int32_t>(n);
            return true;
        case VarRef::Bool16:
            if (!ParseBool(v, b)) return false;
            *static_cast<int16_t*>(var.ptr) = b ? -1 : 0;
            return true;
        case VarRef::Str:
            *static_cast<std::string*>(var.ptr) = v;
            return true;
        case VarRef::F32:
            if (!ParseFloat(v, f)) return false;
            *static_cast<float*>(var.ptr) = f;
            return true;
    }
    return false;
}

// A variable or record field as an expectation compares it: as a dump shows it, but a text
// as it stands.
std::string VarText(const VarRef& v) {
    return v.type == VarRef::Str ? *static_cast<std::string*>(v.ptr) : driver::VarJson(v);
}

}  // namespace

int Driver::Execute(Command& cmd, std::ostream& out, std::string& error) {
    switch (cmd.op) {
        case Command::Wait: {
            int64_t ms = cmd.ms;
            if (waitBudgetMs_ >= 0) {
                ms = std::min(ms, waitBudgetMs_);
                waitBudgetMs_ -= ms;
            }
            svc_.Advance(ms);
            return -1;
        }
        case Command::Key: {
            // A key already down goes down again only as the keyboard's auto-repeat.
            const bool repeat = held_.count(cmd.code) > 0;
            if (cmd.down) held_.insert(cmd.code);
            if (cmd.up) held_.erase(cmd.code);
            Screen* a = program_.Active();
            if (!a) return -1;  // no window has the keyboard
            using K = InputEvent::Kind;
            if (cmd.down)
                svc_.Deliver({.kind = K::KeyDown,
                              .form = a->Name(),
                              .code = cmd.code,
                              .shift = cmd.shift,
                              .repeat = repeat},
                             pad_);
            // No garbage is collected here: a posted key runs inside a handler's event pump,
            // and that handler's controls may be among the buried ones.
            if (cmd.up) {
                Screen* b = program_.Active();
                if (b)
                    svc_.Deliver(
                        {.kind = K::KeyUp, .form = b->Name(), .code = cmd.code, .shift = cmd.shift},
                        pad_);
            }
            return -1;
        }
        case Command::Click:
        case Command::DblClick: {
            // A button takes clicks; a label that takes the mouse takes both.
            Screen& s = *program_.Find(cmd.form);
            Control* c = s.IsVisible() ? s.Find(cmd.path) : nullptr;
            const bool label = c && c->kind == Kind::Label && static_cast<Label*>(c)->TakesMouse();
            const bool button = c && c->kind == Kind::Button && cmd.op == Command::Click;
            if (!c || !(label || button) || !c->Visible) {
                error = std::string(cmd.op == Command::Click ? "no visible button "
                                                             : "no visible row ") +
                        cmd.form + "." + cmd.path;
                return 2;
            }
            const auto kind =
                cmd.op == Command::Click ? InputEvent::Kind::Click : InputEvent::Kind::DblClick;
            svc_.Deliver({.kind = kind, .form = cmd.form, .control = cmd.path}, pad_);
            return -1;
        }
        case Command::Menu: {
            Screen& s = *program_.Find(cmd.form);
            Control* c = s.IsVisible() ? s.Find(cmd.path) : nullptr;
            if (!c || c->kind != Kind::Menu || static_cast<MenuItem*>(c)->separator) {
                error = "no menu command " + cmd.form + "." + cmd.path;
                return 2;
            }
            svc_.Deliver({.kind = InputEvent::Kind::Menu, .form = cmd.form, .control = cmd.path},
                         pad_);
            return -1;
        }
        case Command::Close: {
            Screen& s = *program_.Find(cmd.form);
            if (!s.IsVisible()) {
                error = "screen " + cmd.form + " has no open window";
                return 2;
            }
            svc_.Deliver({.kind = InputEvent::Kind::Close, .form = cmd.form}, pad_);
            return -1;
        }
        case Command::Set:
            return Set(cmd, error);
        case Command::Call: {
            auto routines = program_.Find(cmd.form)->Routines();
            routines.at(cmd.path)();
            return -1;
        }
        case Command::Post: {
            auto shared = std::make_shared<Command>(std::move(*cmd.posted));
            svc_.Post([this, shared] {
                std::string e;
                std::ostringstream sink;
                // A posted click on a control that is gone by then is dropped, as a click on a
                // closed window would be.
                Execute(*shared, sink, e);
            });
            return -1;
        }
        case Command::Dump:
            // Each line goes out whole as soon as it is written: a client reading the driver
            // through a pipe waits for it before it sends the next command.
            out << Dump(cmd.form) << std::endl;
            return -1;
        case Command::Shot: {
            if (!hooks_.shot) {
                error = "shot is not available in this build";
                return 2;
            }
            std::string e = hooks_.shot(*program_.Find(cmd.form), cmd.file, cmd.ratio);
            if (!e.empty()) {
                error = e;
                return 2;
            }
            return -1;
        }
        case Command::Expect: {
            bool ok = true;
            std::string got = ValueOf(cmd.form, cmd.path, ok);
            if (!ok) {
                error = "unknown name " + (cmd.form.empty() ? "" : cmd.form + ".") + cmd.path;
                return 2;
            }
            if (got != cmd.value) {
                error = "expected " + cmd.path + " to be " + JsonString(cmd.value) + ", got " +
                        JsonString(got);
                return 1;
            }
            return -1;
        }
        case Command::Rnd:
            for (float f : cmd.values) program_.Rng().Force(f);
            return -1;
        case Command::Pad:
            if (cmd.padAxis) {
                svc_.Deliver({.kind = InputEvent::Kind::PadMove,
                              .axis = cmd.padInput,
                              .value = cmd.padValue,
                              .pad = cmd.padIndex},
                             pad_);
                return -1;
            }
            if (cmd.down)
                svc_.Deliver({.kind = InputEvent::Kind::PadPress,
                              .value = cmd.padInput,
                              .pad = cmd.padIndex},
                             pad_);
            if (cmd.up)
                svc_.Deliver({.kind = InputEvent::Kind::PadRelease,
                              .value = cmd.padInput,
                              .pad = cmd.padIndex},
                             pad_);
            return -1;
        case Command::Replay:
            return PlayReplay(cmd, error);
        case Command::Answer:
            svc_.Answer(cmd.value);
            return -1;
    }
    return -1;
}

int Driver::RunLine(const std::string& raw, int lineNo, std::ostream& out, std::ostream& err) {
    std::string line = raw;
    size_t hash = line.find('#');
    // A # inside a quoted value is part of the value.
    if (hash != std::string::npos && line.find('"') > hash) line = line.substr(0, hash);
    if (Trim(line).empty()) return -1;
    Command cmd;
    std::string error;
    if (!Parse(line, cmd, error)) {
        err << "line " << lineNo << ": " << error << std::endl;
        return 2;
    }
    // Input posted by earlier lines waits for an event pump inside this command; whatever no
    // handler took arrives once the command is done.
    const bool posting = cmd.op == Command::Post;
    int rc = -1;
    {
        Program::Delivery delivery(&program_);
        rc = Execute(cmd, out, error);
    }
    if (rc < 0 && !posting) {
        Program::Delivery delivery(&program_);
        svc_.DeliverPosted();
    }
    if (rc >= 0) {
        err << "line " << lineNo << ": " << error << std::endl;
        return rc;
    }
    return -1;
}

int Driver::Run(std::istream& script, std::ostream& out, std::ostream& err) {
    std::string line;
    int lineNo = 0;
    try {
        while (std::getline(script, line)) {
            ++lineNo;
            {
                Program::Delivery delivery(&program_);
                svc_.DeliverOutside();
            }
            int rc = RunLine(line, lineNo, out, err);
            if (rc >= 0) return rc;
        }
        Program::Delivery delivery(&program_);
        svc_.DeliverPosted();
        svc_.DeliverOutside();
    } catch (const ProgramEnded&) {
        out << Dump() << std::endl;
        return 0;
    }
    return 0;
}

// Plays a replay's inputs, or its first few, from where the script is: from the start of a
// script that is the recorded game itself.
int Driver::PlayReplay(const Command& cmd, std::string& error) {
    if (!hooks_.replay) {
        error = "replay is not available in this build";
        return 2;
    }
    std::vector<InputEvent> events;
    const std::string e = hooks_.replay(cmd.file, events);
    if (!e.empty()) {
        error = e;
        return 2;
    }
    const size_t end = cmd.ms < 0 ? events.size() : static_cast<size_t>(cmd.ms);
    const size_t astray = svc_.PlayRecorded(events, end, pad_);
    if (astray > 0) {
        error = "the replay left the recorded game: " + std::to_string(astray) +
                " of its inputs went astray";
        return 1;
    }
    return -1;
}

// Sets a screen variable, a record field or a control property from a script value.
int Driver::Set(const Command& cmd, std::string& error) {
    Screen& s = *program_.Find(cmd.form);
    const std::string& v = cmd.value;
    for (const VarRef& var : s.Vars())
        if (var.name == cmd.path) {
            if (AssignVar(var, v)) return -1;
            error = "bad value '" + v + "' for " + cmd.path;
            return 2;
        }
    std::string base, field;
    int index = -1;
    bool indexed = SplitIndexed(cmd.path, base, index, field);
    if (indexed)
        for (const RecordSet& rs : s.Records())
            if (rs.name == base) {
                if (index >= rs.count) {
                    error = "index out of range in " + cmd.path;
                    return 2;
                }
                for (const VarRef& var : rs.fields(index))
                    if (var.name == field) {
                        if (AssignVar(var, v)) return -1;
                        error = "bad value '" + v + "' for " + cmd.path;
                        return 2;
                    }
                error = "unknown field in " + cmd.path;
                return 2;
            }
    // A control property: check the name and the value before touching the screen, since
    // touching a control loads its screen.
    size_t dot = indexed ? cmd.path.find('.', cmd.path.find(')')) : cmd.path.find('.');
    if (dot == std::string::npos) {
        error = "unknown name " + cmd.form + "." + cmd.path;
        return 2;
    }
    std::string cname = cmd.path.substr(0, dot), prop = cmd.path.substr(dot + 1);
    std::string arrayBase = indexed ? base : cname;
    bool known = false;
    for (const ControlDesign& d : s.DesignTable())
        if (arrayBase == d.name && (d.index >= 0) == indexed) known = true;
    if (!known) {
        error = "unknown control " + cmd.form + "." + cname;
        return 2;
    }
    driver::PropType type;
    if (!driver::SettableType(prop, type)) {
        error = "unknown property " + prop;
        return 2;
    }
    driver::PropValue value;
    bool ok = true;
    switch (type) {
        case driver::PropType::Bool:
            ok = ParseBool(v, value.flag);
            break;
        case driver::PropType::Number:
            ok = ParseFloat(v, value.number);
            break;
        case driver::PropType::Integer: {
            long long n = 0;
            ok = ParseLong(v, n) && n >= INT32_MIN && n <= INT32_MAX;
            value.integer = static_cast<int>(n);
            break;
        }
        case driver::PropType::Text:
            value.text = v;
            break;
        case driver::PropType::Picture:
            if (!(value.picture = program_.FindPicture(v))) {
                error = "unknown picture '" + v + "'";
                return 2;
            }
            break;
    }
    if (!ok) {
        error = "bad value '" + v + "' for " + cmd.path;
        return 2;
    }
    if (s.IsLoaded() && !s.Find(cname)) {
        error = "no control " + cmd.form + "." + cname;
        return 2;
    }
    s.EnsureLoaded();
    Control* c = s.IsLoaded() ? s.Find(cname) : nullptr;
    if (!c) {
        error = "no control " + cmd.form + "." + cname;
        return 2;
    }
    const driver::Property* p = driver::FindProperty(c->kind, prop);
    if (!p || !p->write || !p->On(*c)) {
        error = cname + " has no " + prop + " property";
        return 2;
    }
    p->write(*c, value);
    return -1;
}

// The current value of FORM.PATH, rendered as in a dump (texts without their quotes).
std::string Driver::ValueOf(const std::string& form, const std::string& path, bool& ok) {
    ok = true;
    if (form.empty()) {
        if (path == "active") {
            Screen* a = program_.Active();
            return a ? a->Name() : "null";
        }
        if (path == "ended") return svc_.Ended() ? "true" : "false";
        if (path == "clock") return std::to_string(svc_.Clock());
        if (path == "messages") return std::to_string(svc_.Messages().size());
        if (path == "music.piece") return std::string(MusicName(svc_.MusicPiece()));
        if (path == "music.state") return std::string(svc_.MusicState());
        if (path == "message.title" || path == "message.text") {
            if (svc_.Messages().empty()) return "null";
            const MessageRecord& m = svc_.Messages().back();
            return path == "message.title" ? m.title : m.text;
        }
        ok = false;
        return "";
    }
    Screen& s = *program_.Find(form);
    if (path == "loaded") return s.IsLoaded() ? "true" : "false";
    if (path == "visible") return s.IsVisible() ? "true" : "false";
    if (path == "mousePointer") return std::to_string(static_cast<int>(s.MousePointer()));
    if (path == "caption") return s.caption;
    if (path == "focus") {
        Button* f = s.IsLoaded() ? s.FocusedButton() : nullptr;
        return f ? f->DisplayName() : "null";
    }
    for (const VarRef& v : s.Vars())
        if (v.name == path) return VarText(v);
    std::string base, field;
    int index = -1;
    bool indexed = SplitIndexed(path, base, index, field);
    if (indexed)
        for (const RecordSet& rs : s.Records())
            if (rs.name == base && index < rs.count)
                for (const VarRef& v : rs.fields(index))
                    if (v.name == field) return VarText(v);
    if (!s.IsLoaded()) {
        ok = false;
        return "";
    }
    size_t dot = indexed ? path.find('.', path.find(')')) : path.find('.');
    std::string cname = dot == std::string::npos ? path : path.substr(0, dot);
    std::string prop = dot == std::string::npos ? "" : path.substr(dot + 1);
    Control* c = s.Find(cname);
    const driver::Property* p = c ? driver::FindProperty(c->kind, prop) : nullptr;
    if (!p || !p->read || !p->On(*c)) {
        ok = false;
        return "";
    }
    return driver::ValueText(p->type, p->read(*c));
}

}  // namespace qbx
