// Processes: programs started by command line are matched to program models; batch files and the
// command interpreter run their lines through the same models, with ">" and ">>" redirection.
#include <algorithm>
#include <map>

#include "common/text.h"
#include "os/sim/core.h"
#include "os/sim/models.h"
#include "os/sim/parts.h"

namespace sim {

namespace {

constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
constexpr std::uint32_t kNotRecognised = 9009;  // cmd's exit code for an unknown command

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && text::IsSpace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && text::IsSpace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

// Splits at blanks outside quotes; quotes are removed.
std::vector<std::string> SplitArguments(const std::string& s) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false, any = false;
    for (char c : s) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (any) out.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any) out.push_back(cur);
    return out;
}

bool HasExtension(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    const std::size_t slash = name.find_last_of("\\/");
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

std::string Extension(const std::string& name) {
    return HasExtension(name) ? text::Lower(name.substr(name.find_last_of('.'))) : "";
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct Outcome {
    bool started = false;
    ProgramResult result;
};

class SimProcesses : public os::Processes {
  public:
    explicit SimProcesses(Core& core) : core_(core) {}

    os::ProcessHandle StartHidden(const std::string& commandLine) override {
        const std::string line = Trim(commandLine);
        std::string program, rest;
        bool unquotedBlank = false;
        std::string path;
        if (!line.empty() && line[0] == '"') {
            const std::size_t close = line.find('"', 1);
            program = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            rest = close == std::string::npos ? "" : line.substr(close + 1);
            path = FindForCreateProcess(program);
        } else {
            // An unquoted path with blanks: Windows tries each blank as the program's end in turn.
            std::size_t end = line.find(' ');
            while (true) {
                program = line.substr(0, end);
                rest = end == std::string::npos ? "" : line.substr(end);
                path = FindForCreateProcess(program);
                if (!path.empty() || end == std::string::npos) break;
                end = line.find(' ', end + 1);
                unquotedBlank = true;
            }
            if (path.empty()) {
                const std::size_t first = line.find(' ');
                program = line.substr(0, first);
                rest = first == std::string::npos ? "" : line.substr(first);
            }
        }
        if (unquotedBlank && !path.empty())
            core_.RecordLoud("process.unquoted-path", "\"" + program + "\" in: " + commandLine);

        Outcome outcome = Launch(
            program, path, rest, commandLine, core_.currentDirectory,
            [&](const std::string& note) { core_.Record("process.start", commandLine + note); },
            core_.Now());
        if (!outcome.started) {
            core_.lastError = static_cast<std::uint32_t>(os::kErrorFileNotFound);
            core_.Record("process.start-failed", commandLine);
            return 0;
        }
        return Track(commandLine, outcome.result);
    }

    void WaitForInputIdle(os::ProcessHandle, std::uint32_t) override {}

    std::uint32_t Wait(os::ProcessHandle process, std::uint32_t milliseconds) override {
        auto h = handles_.find(process);
        if (h == handles_.end()) return os::kWaitFailed;
        const ProcessRecord& p = core_.processes.at(h->second);
        const std::uint64_t now = core_.Now();
        if (!p.Running(now)) return os::kWaitObject0;
        if (milliseconds == kInfinite && p.endMs == kNever) {
            core_.RecordLoud("process.wait-forever", p.exeName + " never ends");
            return os::kWaitFailed;
        }
        const std::uint64_t bound =
            milliseconds == kInfinite ? kNever : now + static_cast<std::uint64_t>(milliseconds);
        if (p.endMs <= bound) {
            core_.AdvanceTo(p.endMs);
            core_.Record("process.wait",
                         p.exeName + " ended after " + std::to_string(core_.Now() - now) + " ms");
            return os::kWaitObject0;
        }
        core_.AdvanceTo(bound);
        core_.Record("process.wait",
                     p.exeName + " still running after " + std::to_string(milliseconds) + " ms");
        return os::kWaitTimeout;
    }

    bool ExitCode(os::ProcessHandle process, std::uint32_t* code) override {
        auto h = handles_.find(process);
        if (h == handles_.end()) return false;
        const ProcessRecord& p = core_.processes.at(h->second);
        *code = p.Running(core_.Now()) ? os::kStillActive : p.exitCode;
        return true;
    }

    void CloseProcess(os::ProcessHandle process) override { handles_.erase(process); }

    int RunShell(const std::string& commandText) override {
        core_.Record("shell.run", commandText);
        const std::uint64_t start = core_.Now();
        ProgramResult r = RunLine(commandText, core_.currentDirectory, start);
        if (r.neverEnds) {
            core_.RecordLoud("shell.hang", commandText + " never ends");
            return -1;
        }
        core_.AdvanceTo(start + r.durationMs);
        return static_cast<int>(r.exitCode);
    }

    std::vector<os::ProcessEntry> Snapshot() override {
        std::vector<os::ProcessEntry> out;
        for (const auto& [pid, p] : core_.processes)
            if (p.Running(core_.Now())) out.push_back(os::ProcessEntry{pid, p.exeName});
        return out;
    }

    os::ProcessHandle OpenProcess(std::uint32_t pid) override {
        auto it = core_.processes.find(pid);
        if (it == core_.processes.end() || !it->second.Running(core_.Now())) return 0;
        next_ += 4;
        handles_[next_] = pid;
        return next_;
    }

    bool Terminate(os::ProcessHandle process, std::uint32_t exitCode) override {
        auto h = handles_.find(process);
        if (h == handles_.end()) return false;
        ProcessRecord& p = core_.processes.at(h->second);
        if (!p.Running(core_.Now())) return false;
        p.endMs = core_.Now();
        p.exitCode = exitCode;
        core_.Record("process.terminate", p.exeName + " (pid " + std::to_string(p.pid) + ")");
        return true;
    }

    [[noreturn]] void ExitProcess(int exitCode) override {
        core_.Record("exit", std::to_string(exitCode));
        throw ProcessExit{exitCode};
    }

  private:
    // Where CreateProcess finds a program: a path as given (".exe" added when it has no
    // extension), a bare name in the program's directory, the current directory, the system
    // directory, then the Windows directory. "" when there is no such file.
    std::string FindForCreateProcess(const std::string& program) const {
        if (program.empty()) return "";
        const std::string name = HasExtension(program) ? program : program + ".exe";
        if (name.find_first_of("\\/:") != std::string::npos)
            return core_.FileExists(name) ? core_.FullPath(name).value_or("") : "";
        for (const std::string& dir : {core_.ProgramDirectory(), core_.currentDirectory,
                                       core_.systemDirectory, core_.windowsDirectory}) {
            const std::string candidate = text::JoinPath(dir, name);
            if (core_.FileExists(candidate)) return *core_.FullPath(candidate);
        }
        return "";
    }

    // Where the command interpreter finds a command: the current directory, then the system and
    // Windows directories, trying .com, .exe, .bat and .cmd when no extension is given.
    std::string FindForShell(const std::string& program, const std::string& cwd) const {
        if (program.empty()) return "";
        std::vector<std::string> names;
        if (HasExtension(program)) {
            names.push_back(program);
        } else {
            for (const char* ext : {".com", ".exe", ".bat", ".cmd"}) names.push_back(program + ext);
        }
        const bool hasPath = program.find_first_of("\\/:") != std::string::npos;
        std::vector<std::string> dirs;
        if (!hasPath) dirs = {cwd, core_.systemDirectory, core_.windowsDirectory};
        for (const std::string& name : names) {
            if (hasPath) {
                if (core_.FileExists(Relative(name, cwd)))
                    return *core_.FullPath(Relative(name, cwd));
                continue;
            }
            for (const std::string& dir : dirs) {
                const std::string candidate = text::JoinPath(dir, name);
                if (core_.FileExists(candidate)) return *core_.FullPath(candidate);
            }
        }
        return "";
    }

    std::string Relative(const std::string& path, const std::string& cwd) const {
        const bool absolute =
            (path.size() >= 2 && path[1] == ':') || (!path.empty() && path[0] == '\\');
        return absolute ? path : text::JoinPath(cwd, path);
    }

    // Runs a program (model, batch file or plain file) at the current time. The model is asked
    // now; its atEnd is left to the caller.
    // announce journals the start (with a note) just before the program's model runs, so that
    // the model's own entries follow it.
    using Announce = std::function<void(const std::string& note)>;
    Outcome Launch(const std::string& program, const std::string& path, const std::string& rest,
                   const std::string& commandLine, const std::string& cwd, const Announce& announce,
                   std::uint64_t at) {
        Outcome outcome;
        const std::string ext = Extension(path.empty() ? program : path);
        const std::string key = ModelRegistry::Key(program);
        if (!path.empty() && (ext == ".bat" || ext == ".cmd")) {
            announce("");
            std::string script;
            core_.ReadFile(path, &script);
            outcome.started = true;
            outcome.result = RunBatch(script, cwd, at);
            outcome.result.exeName = "cmd.exe";
            return outcome;
        }
        if (key == "cmd") {
            announce("");
            std::string body = Trim(rest);
            const std::string lower = text::Lower(body);
            if (lower.rfind("/c", 0) == 0 || lower.rfind("/k", 0) == 0) body = Trim(body.substr(2));
            if (body.size() >= 2 && body.front() == '"' && body.back() == '"')
                body = body.substr(1, body.size() - 2);
            outcome.started = true;
            outcome.result = RunLine(body, cwd, at);
            if (lower.rfind("/k", 0) == 0) outcome.result.neverEnds = true;
            outcome.result.exeName = "cmd.exe";
            return outcome;
        }
        const ModelRegistry::Program* registered = ModelRegistry::All().FindProgram(program);
        ModelRegistry::Program described;
        const ModelRegistry::Program* model = registered;
        if (!model && DescribedProgram(program, &described)) model = &described;
        if (model && (model->systemProgram || !path.empty())) {
            announce("");
            ProgramCall call{core_,
                             commandLine,
                             program,
                             model->systemProgram && path.empty() ? "" : path,
                             SplitArguments(rest),
                             Trim(rest),
                             cwd};
            const std::string saved = core_.actor;
            core_.actor = text::Lower(BaseName(program));
            if (!HasExtension(core_.actor)) core_.actor += ".exe";
            outcome.result = model->model(call);
            core_.actor = saved;
            if (outcome.result.exeName.empty())
                outcome.result.exeName = SnapshotName(program, path);
            outcome.started = true;
            return outcome;
        }
        if (!path.empty()) {
            announce(" (no model: ends at once)");
            outcome.started = true;
            outcome.result.exeName = SnapshotName(program, path);
        }
        return outcome;
    }

    // A process snapshot shows the program file's name as it is spelt on the disk, whatever the
    // command line said; Windows' own programs are spelt in lower case.
    std::string SnapshotName(const std::string& program, const std::string& path) const {
        if (!path.empty()) {
            if (const auto host = core_.Resolve(path)) return host->filename().string();
            return BaseName(path);
        }
        std::string name = text::Lower(BaseName(program));
        if (!HasExtension(name)) name += ".exe";
        return name;
    }

    // A program without a model of its own that the description's "programs" section describes:
    //   "name.exe": {"durationMs": 5000 | "never", "exitCode": 0, "output": "text",
    //                "outputFile": "file in the machine folder", "systemProgram": false,
    //                "writes": {"C:\\path": "text"}, "exeName": "Name.exe"}
    // The output goes to a ">" redirection; "writes" happen when the program ends.
    bool DescribedProgram(const std::string& program, ModelRegistry::Program* out) const {
        const Json& programs = core_.Section("programs");
        if (!programs.is_object()) return false;
        const std::string key = ModelRegistry::Key(program);
        for (auto& [name, entry] : programs.items()) {
            if (ModelRegistry::Key(name) != key || !entry.is_object()) continue;
            if (!entry.contains("durationMs") && !entry.contains("exitCode") &&
                !entry.contains("output") && !entry.contains("outputFile") &&
                !entry.contains("writes"))
                return false;  // a section for a model that is not built in
            const Json copy = entry;
            out->systemProgram = entry.value("systemProgram", false);
            out->model = [copy](ProgramCall& call) {
                ProgramResult r;
                const Json duration = copy.value("durationMs", Json(0));
                if (duration.is_string() && UpperText(duration.get<std::string>()) == "NEVER")
                    r.neverEnds = true;
                else
                    r.durationMs = JsonNumber(duration, 0);
                r.exitCode =
                    static_cast<std::uint32_t>(JsonNumber(copy.value("exitCode", Json(0)), 0));
                if (copy.contains("output")) r.output = copy.at("output").get<std::string>();
                if (copy.contains("outputFile"))
                    r.output = call.machine.MachineFile(copy.at("outputFile").get<std::string>());
                r.exeName = copy.value("exeName", std::string());
                if (copy.contains("writes")) {
                    Core* machine = &call.machine;
                    const Json writes = copy.at("writes");
                    r.atEnd = [machine, writes] {
                        for (auto& [path, content] : writes.items())
                            machine->WriteFile(path, content.get<std::string>(), false);
                    };
                }
                return r;
            };
            return true;
        }
        return false;
    }

    // Records a started process and schedules its end.
    os::ProcessHandle Track(const std::string& commandLine, ProgramResult result) {
        ProcessRecord p;
        p.pid = core_.NextPid();
        p.exeName = result.exeName;
        p.commandLine = commandLine;
        p.startMs = core_.Now();
        p.endMs = result.neverEnds ? kNever : p.startMs + result.durationMs;
        p.exitCode = result.exitCode;
        core_.processes[p.pid] = p;
        next_ += 4;
        handles_[next_] = p.pid;
        if (!result.neverEnds) {
            const std::uint32_t pid = p.pid;
            const std::uint64_t end = p.endMs;
            auto atEnd = result.atEnd;
            core_.At(end, [this, pid, end, atEnd] {
                ProcessRecord& rec = core_.processes.at(pid);
                if (rec.endMs != end) return;  // terminated before
                RunAsActor(rec.exeName, atEnd);
                core_.Record("process.end",
                             rec.exeName + " exit code " + std::to_string(rec.exitCode));
            });
        }
        return next_;
    }

    void RunAsActor(const std::string& actor, const std::function<void()>& fn) {
        if (!fn) return;
        const std::string saved = core_.actor;
        core_.actor = text::Lower(actor);
        fn();
        core_.actor = saved;
    }

    // One command of the interpreter with its redirection, starting at the given time. Its
    // effects are scheduled; the result says how long it runs.
    ProgramResult RunLine(const std::string& rawLine, const std::string& cwd, std::uint64_t at) {
        // Cut out redirections outside quotes: ">file", ">>file", "1>file"; "2>..." is dropped.
        std::string command, target;
        bool append = false, quoted = false;
        for (std::size_t i = 0; i < rawLine.size(); ++i) {
            const char c = rawLine[i];
            if (c == '"') quoted = !quoted;
            if (quoted || c != '>') {
                command += c;
                continue;
            }
            int stream = 1;
            if (!command.empty() && (command.back() == '1' || command.back() == '2') &&
                (command.size() == 1 || command[command.size() - 2] == ' ')) {
                stream = command.back() - '0';
                command.pop_back();
            }
            bool twice = i + 1 < rawLine.size() && rawLine[i + 1] == '>';
            if (twice) ++i;
            std::size_t j = i + 1;
            while (j < rawLine.size() && rawLine[j] == ' ') ++j;
            std::string file;
            bool fq = false;
            while (j < rawLine.size() && (fq || (rawLine[j] != ' ' && rawLine[j] != '>'))) {
                if (rawLine[j] == '"')
                    fq = !fq;
                else
                    file += rawLine[j];
                ++j;
            }
            i = j - 1;
            if (stream == 1 && file.rfind("&", 0) != 0) {
                target = file;
                append = twice;
            }
        }
        command = Trim(command);
        ProgramResult result;
        const std::string redirect = target.empty() ? "" : Relative(target, cwd);
        if (!redirect.empty()) {
            core_.At(at, [this, redirect, append] {
                RunAsActor("cmd.exe", [&] {
                    if (!append || !core_.FileExists(redirect))
                        core_.WriteFile(redirect, "", false);
                });
            });
        }
        if (command.empty()) return result;

        const std::vector<std::string> words = SplitArguments(command);
        const std::string program = words.empty() ? "" : words[0];
        std::string rest;
        if (command[0] == '"') {
            const std::size_t close = command.find('"', 1);
            rest = close == std::string::npos ? "" : command.substr(close + 1);
        } else {
            const std::size_t space = command.find_first_of(" \t");
            rest = space == std::string::npos ? "" : command.substr(space);
        }
        const std::string lowered = text::Lower(program);
        if (lowered == "call") {
            ProgramResult called = RunLine(Trim(rest), cwd, at);
            if (!redirect.empty() && !called.output.empty()) {
                // The called command's own redirection took its output; what is left goes here.
                const std::uint64_t end = at + called.durationMs;
                const std::string output = called.output;
                core_.At(end, [this, redirect, output] {
                    RunAsActor("cmd.exe", [&] { core_.WriteFile(redirect, output, true); });
                });
                called.output.clear();
            }
            return called;
        }
        if (lowered == "echo" || lowered == "rem" || lowered == "cls" || lowered == "pause") {
            if (lowered == "echo") result.output = Trim(rest) + "\r\n";
        } else if (lowered == "del" || lowered == "erase") {
            for (const std::string& name : SplitArguments(rest)) {
                if (name.rfind("/", 0) == 0) continue;
                const std::string full = Relative(name, cwd);
                core_.At(at, [this, full] { core_.Os().files.DeleteFile(full); });
            }
        } else {
            const std::string path = FindForShell(program, cwd);
            auto announce = [&](const std::string& note) {
                core_.At(at, [this, command, note] {
                    RunAsActor("cmd.exe", [&] { core_.Record("process.start", command + note); });
                });
            };
            Outcome outcome = Launch(program, path, rest, command, cwd, announce, at);
            const bool started = outcome.started;
            if (!started) {
                core_.At(at, [this, command] {
                    RunAsActor("cmd.exe", [&] {
                        core_.Record("process.start-failed", command + " (not recognised)");
                    });
                });
            }
            if (!started)
                result.exitCode = kNotRecognised;
            else
                result = outcome.result;
        }
        if (result.neverEnds) return result;
        const std::uint64_t end = at + result.durationMs;
        const std::string output = result.output;
        auto atEnd = result.atEnd;
        const std::string actor = outcome_actor(program);
        core_.At(end, [this, redirect, output, atEnd, actor] {
            if (!redirect.empty() && !output.empty())
                RunAsActor("cmd.exe", [&] { core_.WriteFile(redirect, output, true); });
            RunAsActor(actor, atEnd);
        });
        result.atEnd = nullptr;
        if (!redirect.empty()) result.output.clear();  // it went to the file
        return result;
    }

    static std::string outcome_actor(const std::string& program) {
        std::string name = text::Lower(BaseName(program));
        if (!HasExtension(name)) name += ".exe";
        return name;
    }

    // A batch file: its lines run one after another; the batch ends with its last command.
    ProgramResult RunBatch(const std::string& script, const std::string& startCwd,
                           std::uint64_t start) {
        ProgramResult total;
        std::string cwd = startCwd;
        std::uint64_t offset = 0;
        std::size_t pos = 0;
        while (pos < script.size()) {
            std::size_t end = script.find('\n', pos);
            if (end == std::string::npos) end = script.size();
            std::string line = Trim(script.substr(pos, end - pos));
            pos = end + 1;
            if (!line.empty() && line[0] == '@') line = Trim(line.substr(1));
            const std::string lower = text::Lower(line);
            if (line.empty() || lower.rfind("rem", 0) == 0 || lower.rfind("::", 0) == 0 ||
                lower == "echo off" || lower == "echo on")
                continue;
            if (lower.rfind("cd ", 0) == 0 || lower.rfind("cd\\", 0) == 0) {
                std::string dir = Trim(line.substr(2));
                if (text::Lower(dir).rfind("/d", 0) == 0) dir = Trim(dir.substr(2));
                if (auto full = core_.FullPath(Relative(dir, cwd))) cwd = *full;
                continue;
            }
            if (lower == "exit" || lower.rfind("exit ", 0) == 0) break;
            ProgramResult r = RunLine(line, cwd, start + offset);
            total.exitCode = r.exitCode;
            total.output += r.output;
            if (r.neverEnds) {
                total.neverEnds = true;
                return total;
            }
            offset += r.durationMs;
        }
        total.durationMs = offset;
        return total;
    }

    Core& core_;
    std::map<os::ProcessHandle, std::uint32_t> handles_;  // handle -> pid
    os::ProcessHandle next_ = 0x2000;
};

}  // namespace

std::unique_ptr<os::Processes> MakeProcesses(Core& core) {
    return std::make_unique<SimProcesses>(core);
}

}  // namespace sim
