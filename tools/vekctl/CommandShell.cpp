#include "CommandShell.h"

#include <editline/readline.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>

#include "Demo.h"
#include "DemoInstall.h"
#include "vek/vek.h"

namespace vekctl {

namespace {

using vek::NumberedError;
using vek::runtime;

// A line that is no command (unknown name, wrong number of arguments): the
// caller's mistake rather than the machine's.
struct NotACommand {
    std::string problem;
};

enum class Kind { Int16, Int32, Double, Bool, Text, Point, Path, DataSet };

struct Param {
    const char* name;
    Kind kind;
    // The default as it would be written; null for a required argument, ""
    // for an object that may be left out.
    const char* fallback = nullptr;
};

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Stored things by name: "name" (the first dataset that has it) or
// "Dataset.name".
template <typename Find>
auto findStored(const std::string& name, Find find) -> decltype(find(std::shared_ptr<vek::DataSet>(), name)) {
    const auto& dataSets = runtime().dataSets;
    if (!dataSets) throw NumberedError(vek::ErrorCodes::DATABASE_ERROR, "No database is loaded.");
    const auto dot = name.find('.');
    if (dot != std::string::npos) {
        if (auto dataSet = dataSets->getDatasetByName(name.substr(0, dot)))
            if (auto found = find(dataSet, name.substr(dot + 1))) return found;
    }
    for (const auto& dataSet : *dataSets->getDataSets())
        if (auto found = find(dataSet, name)) return found;
    return nullptr;
}

class Arguments {
public:
    Arguments(const std::vector<Param>& params, const CommandLine& line) : params_(params), line_(line) {}

    int16_t i16(std::size_t i) const { return vek::toInt16(vek::toDouble(text(i))); }
    int32_t i32(std::size_t i) const { return vek::toInt32(vek::toDouble(text(i))); }
    double d(std::size_t i) const { return vek::toDouble(text(i)); }
    bool b(std::size_t i) const {
        const std::string t = lower(text(i));
        if (t == "true" || t == "1" || t == "-1") return true;
        if (t == "false" || t == "0") return false;
        throw NumberedError::platform(vek::PlatformErrors::TYPE_MISMATCH);
    }
    std::string s(std::size_t i) const { return text(i); }
    std::shared_ptr<vek::Point> point(std::size_t i) const {
        const std::string name = text(i);
        if (name.empty()) return nullptr;
        const auto node = findStored(name, [](const std::shared_ptr<vek::DataSet>& set, const std::string& n) {
            for (const auto& candidate : *set->nodes())
                if (candidate->name() == n) return candidate;
            return std::shared_ptr<vek::Node>();
        });
        if (!node) throw NumberedError(vek::ErrorCodes::INVALID_ARGUMENTS, "No stored point is named " + name + ".");
        return runtime().linearSlides->getPointFromNode(node);
    }
    std::shared_ptr<vek::Path> path(std::size_t i) const {
        const std::string name = text(i);
        if (name.empty()) return nullptr;
        const auto nodePath = findStored(
            name, [](const std::shared_ptr<vek::DataSet>& set, const std::string& n) { return set->getPathByName(n); });
        if (!nodePath) throw NumberedError(vek::ErrorCodes::INVALID_ARGUMENTS, "No stored path is named " + name + ".");
        return runtime().linearSlides->getPathFromNodePath(nodePath);
    }
    std::shared_ptr<vek::DataSet> dataSet(std::size_t i) const {
        const std::string name = text(i);
        if (name.empty()) return nullptr;
        const auto& dataSets = runtime().dataSets;
        auto found = dataSets ? dataSets->getDatasetByName(name) : nullptr;
        if (!found) throw NumberedError(vek::ErrorCodes::INVALID_ARGUMENTS, "No dataset is named " + name + ".");
        return found;
    }

private:
    // The argument as written, or its default when it was left out.
    std::string text(std::size_t i) const {
        if (i < line_.args.size() && (!line_.args[i].empty() || line_.quoted[i])) return line_.args[i];
        return params_[i].fallback ? params_[i].fallback : "";
    }

    const std::vector<Param>& params_;
    const CommandLine& line_;
};

struct Entry {
    std::string name;
    std::vector<Param> params;
    // Runs the command; the result as text, empty for none.
    std::function<std::string(const Arguments&)> run;
};

std::string quote(const std::string& text) {
    std::string q = "\"";
    for (char c : text) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string describePoint(const vek::Point& p) {
    return (p.name().empty() ? std::string("point") : p.name()) + " (" + vek::toText(p.x()) + ", " +
           vek::toText(p.y()) + ", " + vek::toText(p.z()) + ")";
}

std::string describeStatus(const vek::MotorStatus& s) {
    std::string text = "status word " + vek::toText(s.status());
    const std::pair<const char*, bool> bits[] = {{"Bt", s.Bt()}, {"Br", s.Br()}, {"Bl", s.Bl()}, {"Bi", s.Bi()},
                                                 {"Bw", s.Bw()}, {"Be", s.Be()}, {"Bh", s.Bh()}, {"Bo", s.Bo()},
                                                 {"Bx", s.Bx()}, {"Bp", s.Bp()}, {"Bm", s.Bm()}, {"Bd", s.Bd()},
                                                 {"Bu", s.Bu()}, {"Bs", s.Bs()}, {"Ba", s.Ba()}, {"Bk", s.Bk()}};
    for (const auto& [name, on] : bits)
        if (on) text += std::string(" ") + name;
    return text;
}

std::string none() {
    return {};
}

// The command table: every command of Commands and DevCommands that a user
// program calls, with its arguments and defaults.
std::vector<Entry> commandTable(vek::Commands& c, vek::DevCommands& dev) {
    using K = Kind;
    const Param motorIndex{"motorIndex", K::Int16};
    const Param speed{"speed", K::Double};
    const Param acceleration{"acceleration", K::Double};
    const Param isChained{"isChained", K::Bool, "False"};
    return {
        {"LogMessage",
         {{"message", K::Text}, {"level", K::Int16, "1"}},
         [&](const Arguments& a) { return c.LogMessage(a.s(0), a.i16(1)), none(); }},
        {"MotorStatus", {motorIndex}, [&](const Arguments& a) { return describeStatus(*c.MotorStatus(a.i16(0))); }},
        {"WaitForStop",
         {{"motorIndex", K::Int16, "0"},
          {"monitorMotorIndex", K::Int16, "-1"},
          {"monitorInputSwitch", K::Text, ""},
          {"monitorInputSwitchStatus", K::Int16, "1"},
          {"decelerate", K::Bool, "True"},
          {"timeOutSeconds", K::Int32, "-1"}},
         [&](const Arguments& a) {
             return vek::toText(c.WaitForStop(a.i16(0), a.i16(1), a.s(2), a.i16(3), a.b(4), a.i32(5)));
         }},
        {"StopMotion",
         {{"motorIndex", K::Int16, "0"}, {"decelerate", K::Bool, "True"}},
         [&](const Arguments& a) { return c.StopMotion(a.i16(0), a.b(1)), none(); }},
        {"DoRelativeMove",
         {motorIndex, {"relativeMoveDistance", K::Double}, speed, acceleration},
         [&](const Arguments& a) { return c.DoRelativeMove(a.i16(0), a.d(1), a.d(2), a.d(3)), none(); }},
        {"DoPositionMove",
         {motorIndex, {"absolutePosition", K::Double}, speed, acceleration},
         [&](const Arguments& a) { return c.DoPositionMove(a.i16(0), a.d(1), a.d(2), a.d(3)), none(); }},
        {"DoVelocityMove",
         {motorIndex, {"direction", K::Int16}, speed, acceleration},
         [&](const Arguments& a) { return c.DoVelocityMove(a.i16(0), a.i16(1), a.d(2), a.d(3)), none(); }},
        {"DoLine",
         {{"toPoint", K::Point, ""}, speed, acceleration},
         [&](const Arguments& a) { return c.DoLine(a.point(0), a.d(1), a.d(2)), none(); }},
        {"DoPath",
         {{"Path", K::Path, ""}, speed, acceleration, {"cornerRadius", K::Double, "0"}},
         [&](const Arguments& a) { return c.DoPath(a.path(0), a.d(1), a.d(2), a.d(3)), none(); }},
        {"AppendPaths",
         {{"first", K::Path, ""}, {"second", K::Path, ""}},
         [&](const Arguments& a) {
             const auto joined = c.AppendPaths(a.path(0), a.path(1));
             return joined->name() + " (" + vek::toText(joined->getNodePath()->size()) + " points)";
         }},
        {"BeginningPathPoint",
         {{"Path", K::Path, ""}},
         [&](const Arguments& a) { return describePoint(*c.BeginningPathPoint(a.path(0))); }},
        {"CurrentPoint", {}, [&](const Arguments&) { return describePoint(*c.CurrentPoint()); }},
        {"Calibrate",
         {{"motorIndex", K::Int16, "0"},
          {"direction", K::Int16, "-1"},
          {"force", K::Bool, "False"},
          {"speed", K::Double, "-1"},
          {"acceleration", K::Double, "-1"}},
         [&](const Arguments& a) { return c.Calibrate(a.i16(0), a.i16(1), a.b(2), a.d(3), a.d(4)), none(); }},
        {"Reset", {}, [&](const Arguments&) { return c.Reset(), none(); }},
        {"SetServoOff",
         {motorIndex, {"autoBrake", K::Bool, "True"}},
         [&](const Arguments& a) { return c.SetServoOff(a.i16(0), a.b(1)), none(); }},
        {"RunDiagnostics", {}, [&](const Arguments&) { return vek::toText(c.RunDiagnostics()); }},
        {"WaitForSwitch",
         {motorIndex, {"inputSwitch", K::Text}, {"status", K::Int16}, {"timeOutSeconds", K::Int32, "-1"}},
         [&](const Arguments& a) { return vek::toText(c.WaitForSwitch(a.i16(0), a.s(1), a.i16(2), a.i32(3))); }},
        {"SetSwitch",
         {motorIndex, {"outputSwitch", K::Text}, {"status", K::Int16}},
         [&](const Arguments& a) { return c.SetSwitch(a.i16(0), a.s(1), a.i16(2)), none(); }},
        {"CheckSwitch",
         {motorIndex, {"switchName", K::Text}, {"isInputSwitch", K::Bool, "True"}},
         [&](const Arguments& a) { return vek::toText(c.CheckSwitch(a.i16(0), a.s(1), a.b(2))); }},
        {"SaveValue",
         {{"key", K::Text}, {"value", K::Text}, {"isPersistence", K::Bool, "False"}},
         [&](const Arguments& a) { return c.SaveValue(a.s(0), a.s(1), a.b(2)), none(); }},
        {"GetValue", {{"key", K::Text}}, [&](const Arguments& a) { return quote(c.GetValue(a.s(0))); }},
        {"RemoveValue", {{"key", K::Text}}, [&](const Arguments& a) { return c.RemoveValue(a.s(0)), none(); }},
        {"StartTimer", {{"timerKey", K::Text}}, [&](const Arguments& a) { return c.StartTimer(a.s(0)), none(); }},
        {"ElapsedTimer",
         {{"timerKey", K::Text}, {"resetTimer", K::Bool, "False"}},
         [&](const Arguments& a) { return vek::toText(c.ElapsedTimer(a.s(0), a.b(1))); }},
        {"ShiftAxis",
         {{"xShift", K::Double, "0"}, {"yShift", K::Double, "0"}, {"zShift", K::Double, "0"}, isChained},
         [&](const Arguments& a) { return c.ShiftAxis(a.d(0), a.d(1), a.d(2), a.b(3)), none(); }},
        {"RotateAxis",
         {{"angle", K::Double, "0"}, {"aroundAxis", K::Int16, "1"}, isChained},
         [&](const Arguments& a) { return c.RotateAxis(a.d(0), a.i16(1), a.b(2)), none(); }},
        {"RotateAxisAroundPoint",
         {{"aroundPoint", K::Point, ""}, {"angle", K::Double, "0"}, {"aroundAxis", K::Int16, "1"}, isChained},
         [&](const Arguments& a) { return c.RotateAxisAroundPoint(a.point(0), a.d(1), a.i16(2), a.b(3)), none(); }},
        {"ScaleAxis",
         {{"xScale", K::Double, "1"}, {"yScale", K::Double, "1"}, {"zScale", K::Double, "1"}, isChained},
         [&](const Arguments& a) { return c.ScaleAxis(a.d(0), a.d(1), a.d(2), a.b(3)), none(); }},
        {"ReversePath",
         {{"xReverse", K::Bool, "True"}, {"yReverse", K::Bool, "True"}, {"zReverse", K::Bool, "True"}},
         [&](const Arguments& a) { return c.ReversePath(a.b(0), a.b(1), a.b(2)), none(); }},
        {"ReflectAxis",
         {{"xReflection", K::Bool, "False"},
          {"yReflection", K::Bool, "False"},
          {"zReflection", K::Bool, "False"},
          isChained},
         [&](const Arguments& a) { return c.ReflectAxis(a.b(0), a.b(1), a.b(2), a.b(3)), none(); }},
        {"ApplyTransformation", {}, [&](const Arguments&) { return c.ApplyTransformation(), none(); }},
        {"ApplyTransformationToDataset",
         {{"tmpDataset", K::DataSet, ""}},
         [&](const Arguments& a) { return c.ApplyTransformationToDataset(a.dataSet(0)), none(); }},
        {"ApplyTransformationToPath",
         {{"tmpPath", K::Path, ""}},
         [&](const Arguments& a) { return c.ApplyTransformationToPath(a.path(0)), none(); }},
        {"ApplyTransformationToPoint",
         {{"tmpPoint", K::Point, ""}},
         [&](const Arguments& a) { return c.ApplyTransformationToPoint(a.point(0)), none(); }},
        {"CurrentCoordinateSystem",
         {{"systemName", K::Text}},
         [&](const Arguments& a) { return vek::toText(c.CurrentCoordinateSystem(a.s(0))); }},
        {"MinOfPath",
         {{"Path", K::Path, ""}, {"axis", K::Int16}},
         [&](const Arguments& a) { return vek::toText(c.MinOfPath(a.path(0), a.i16(1))); }},
        {"MaxOfPath",
         {{"Path", K::Path, ""}, {"axis", K::Int16}},
         [&](const Arguments& a) { return vek::toText(c.MaxOfPath(a.path(0), a.i16(1))); }},
        {"StartProgram",
         {{"programName", K::Text}},
         [&](const Arguments& a) { return c.StartProgram(a.s(0)), none(); }},
        {"StopProgram",
         {{"programName", K::Text, ""}},
         [&](const Arguments& a) { return c.StopProgram(a.s(0)), none(); }},
        {"SendMail",
         {{"smtpServer", K::Text}, {"recipient", K::Text}, {"message", K::Text}},
         [&](const Arguments& a) { return c.SendMail(a.s(0), a.s(1), a.s(2)), none(); }},
        {"WriteSmartMotorCommand",
         {motorIndex, {"motorCommand", K::Text}},
         [&](const Arguments& a) { return dev.WriteSmartMotorCommand(a.i16(0), a.s(1)), none(); }},
        {"ReadSmartMotorResponse", {}, [&](const Arguments&) { return quote(dev.ReadSmartMotorResponse()); }},
    };
}

std::string signature(const Entry& e) {
    std::string text = e.name;
    for (std::size_t i = 0; i < e.params.size(); ++i) {
        const Param& p = e.params[i];
        text += (i == 0 ? " " : ", ");
        text += p.fallback ? "[" + std::string(p.name) + (*p.fallback ? "=" + std::string(p.fallback) : "") + "]"
                           : std::string(p.name);
    }
    return text;
}

// Names for tab completion; readline's callbacks carry no context.
std::vector<std::string>* completionNames = nullptr;

char* completeName(const char* text, int state) {
    static std::size_t next = 0;
    if (state == 0) next = 0;
    const std::string prefix = lower(text);
    while (completionNames && next < completionNames->size()) {
        const std::string& name = (*completionNames)[next++];
        if (lower(name).rfind(prefix, 0) == 0) return ::strdup(name.c_str());
    }
    return nullptr;
}

char** completeLine(const char* text, int start, int /*end*/) {
    rl_attempted_completion_over = 1;  // never fall back to file names
    if (start != 0) return nullptr;    // only the command's name is completed
    return rl_completion_matches(text, completeName);
}

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) {
    interrupted = 1;
}

class Shell {
public:
    explicit Shell(vek::Commands& c, vek::DevCommands& dev) : commands_(c), table_(commandTable(c, dev)) {
        for (const auto& e : table_) byName_[lower(e.name)] = &e;
    }

    // Runs one line; what happened, as an exit code.
    int run(const std::string& text) {
        const CommandLine line = parseCommandLine(text);
        if (line.name.empty()) return Exit::OK;
        if (lower(line.name) == "help") {
            for (const auto& e : table_) std::cout << "  " << signature(e) << "\n";
            return Exit::OK;
        }
        const auto found = byName_.find(lower(line.name));
        if (found == byName_.end()) {
            std::cout << "vekctl: no command is named '" << line.name << "' (try 'help')\n";
            return Exit::USAGE;
        }
        const Entry& e = *found->second;
        std::size_t required = 0;
        for (const auto& p : e.params) required += p.fallback ? 0 : 1;
        if (line.args.size() < required || line.args.size() > e.params.size()) {
            std::cout << "vekctl: " << signature(e) << "\n";
            return Exit::USAGE;
        }
        for (std::size_t i = 0; i < e.params.size(); ++i) {
            const bool given = i < line.args.size() && (!line.args[i].empty() || line.quoted[i]);
            if (!given && !e.params[i].fallback) {
                std::cout << "vekctl: " << e.params[i].name << " is needed: " << signature(e) << "\n";
                return Exit::USAGE;
            }
        }
        return call(e, Arguments(e.params, line));
    }

    const std::vector<Entry>& table() const { return table_; }

private:
    int call(const Entry& e, const Arguments& args) {
        // Ctrl-C while a command runs is the host's stop button: the pump
        // asks for a program stop and stops every motor.
        interrupted = 0;
        struct sigaction action {};
        struct sigaction previous {};
        action.sa_handler = onInterrupt;
        ::sigaction(SIGINT, &action, &previous);
        vek::eventLoop().setHostPump([this] {
            if (!interrupted) return;
            interrupted = 0;
            std::cout << "(interrupted: stopping)\n";
            commands_.StopProgram();
            commands_.StopMotion();
        });
        int code = Exit::OK;
        try {
            const std::string result = e.run(args);
            if (!result.empty()) std::cout << "= " << result << "\n";
        } catch (const NumberedError& error) {
            std::cout << "error " << error.number() << ": " << error.description() << "\n";
            code = Exit::COMMAND;
        }
        vek::eventLoop().setHostPump(nullptr);
        ::sigaction(SIGINT, &previous, nullptr);
        return code;
    }

    vek::Commands& commands_;
    std::vector<Entry> table_;
    std::map<std::string, const Entry*> byName_;
};

int prompt(Shell& shell) {
    std::vector<std::string> names;
    for (const auto& e : shell.table()) names.push_back(e.name);
    names.emplace_back("help");
    completionNames = &names;
    rl_attempted_completion_function = completeLine;
    std::cout << "Type a command as a user program line, 'help' for the list, Ctrl-D to leave.\n";
    while (char* input = ::readline("vek> ")) {
        const std::string line = input;
        std::free(input);
        if (!vek::trim(line).empty()) ::add_history(line.c_str());
        if (lower(vek::trim(line)) == "quit" || lower(vek::trim(line)) == "exit") break;
        shell.run(line);
        std::cout.flush();
    }
    completionNames = nullptr;
    return Exit::OK;
}

// Lines from a pipe: each runs as typed; the first failure ends the run.
int readLines(Shell& shell) {
    std::string line;
    while (std::getline(std::cin, line)) {
        if (const int code = shell.run(line); code != Exit::OK) return code;
    }
    return Exit::OK;
}

}  // namespace

int runCommands(const CommandsOptions& options) {
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    // The commands' display texts (level 5) as they come; warnings and
    // errors of the log with their kind.
    auto listen = [] {
        vek::Server().logger()->messagedLogged.connect([](std::string& message, int16_t& level) {
            if (level == vek::LogLevel::DISPLAYONLY) {
                if (!message.empty()) std::cout << message << "\n";
            } else if (level == vek::LogLevel::WARNING || level == vek::LogLevel::Error) {
                std::cout << "warning: " << message << "\n";
            }
        });
    };
    if (const int code = openSimulatedGantry(options.home, options.realTime, options.sound, listen); code != Exit::OK)
        return code;
    const vek::Server server;
    auto commands = server.Commands();
    commands->advancedCommandsEvent.connect([](std::string& command, std::string& args) {
        std::cout << "request to the host: " << command << (args.empty() ? "" : " " + args) << "\n";
    });
    Shell shell(*commands, *server.DevCommands());
    if (!options.lines.empty()) {
        for (const auto& line : options.lines) {
            if (const int code = shell.run(line); code != Exit::OK) return code;
        }
        return Exit::OK;
    }
    return ::isatty(STDIN_FILENO) ? prompt(shell) : readLines(shell);
}

CommandLine parseCommandLine(const std::string& text) {
    CommandLine line;
    const std::string t = vek::trim(text);
    if (t.empty() || t[0] == '\'' || t[0] == '#') return line;
    std::size_t at = 0;
    while (at < t.size() && !std::isspace(static_cast<unsigned char>(t[at])) && t[at] != ',') ++at;
    line.name = t.substr(0, at);
    const std::string rest = vek::trim(t.substr(at));
    if (rest.empty()) return line;
    std::string current;
    bool quoted = false;
    bool inQuotes = false;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const char ch = rest[i];
        if (inQuotes) {
            if (ch == '"' && i + 1 < rest.size() && rest[i + 1] == '"') {
                current += '"';
                ++i;
            } else if (ch == '"') {
                inQuotes = false;
            } else {
                current += ch;
            }
        } else if (ch == '"') {
            inQuotes = true;
            quoted = true;
            current = vek::trim(current);
        } else if (ch == ',') {
            line.args.push_back(quoted ? current : vek::trim(current));
            line.quoted.push_back(quoted);
            current.clear();
            quoted = false;
        } else if (!quoted) {
            current += ch;
        }
    }
    line.args.push_back(quoted ? current : vek::trim(current));
    line.quoted.push_back(quoted);
    return line;
}

}  // namespace vekctl
