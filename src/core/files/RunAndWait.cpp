#include "core/files/RunAndWait.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "platform/text/CaseInsensitive.h"
#include "platform/text/Trim.h"
#include "platform/wineprefix/WinePrefixMachine.h"

extern char** environ;

namespace quorvel::core {

namespace {

using platform::text::trimLeft;
bool isWineRunnable(std::string_view program) {
    using platform::text::iendsWith;
    return iendsWith(program, ".exe") || iendsWith(program, ".com") || iendsWith(program, ".bat") ||
           iendsWith(program, ".cmd");
}

// The wine program from PATH; empty when it is not installed.
std::string findWine() {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return {};
    std::string_view rest(path);
    while (true) {
        const auto colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        if (!dir.empty()) {
            const std::string candidate = std::string(dir) + "/wine";
            if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        }
        if (colon == std::string_view::npos) return {};
        rest.remove_prefix(colon + 1);
    }
}

}  // namespace

std::vector<std::string> SplitArguments(std::string_view text) {
    std::vector<std::string> args;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i >= text.size()) break;
        std::string arg;
        bool quoted = false;
        while (i < text.size() && (quoted || (text[i] != ' ' && text[i] != '\t'))) {
            if (text[i] == '\\') {
                std::size_t slashes = 0;
                while (i < text.size() && text[i] == '\\')
                    ++slashes, ++i;
                if (i < text.size() && text[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        arg.push_back('"');
                        ++i;
                    }
                } else {
                    arg.append(slashes, '\\');
                }
            } else if (text[i] == '"') {
                if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                    arg.push_back('"');  // "" inside quotes is one quote
                    ++i;
                }
                quoted = !quoted;
                ++i;
            } else {
                arg.push_back(text[i++]);
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

ParsedCommandLine ParseCommandLine(const platform::FileSystem& fs, std::string_view commandLine) {
    ParsedCommandLine parsed;
    std::string_view text = trimLeft(commandLine);
    if (!text.empty() && text.front() == '"') {
        text.remove_prefix(1);
        const auto close = text.find('"');
        parsed.program = std::string(text.substr(0, close));
        if (close != std::string_view::npos)
            parsed.arguments = SplitArguments(text.substr(close + 1));
        return parsed;
    }
    // Unquoted: the first start of the text up to a blank that names a file wins.
    for (std::size_t end = text.find(' ');; end = text.find(' ', end + 1)) {
        const std::string candidate(text.substr(0, end));
        for (const std::string& name : {candidate, candidate + ".exe"}) {
            if (fs.isFile(name)) {
                parsed.program = name;
                if (end != std::string_view::npos)
                    parsed.arguments = SplitArguments(text.substr(end));
                return parsed;
            }
        }
        if (end == std::string_view::npos) break;
    }
    const auto blank = text.find(' ');
    parsed.program = std::string(text.substr(0, blank));
    if (blank != std::string_view::npos) parsed.arguments = SplitArguments(text.substr(blank));
    return parsed;
}

std::uint32_t RunAndWaitInPrefix(const std::filesystem::path& prefix,
                                 const platform::FileSystem& fs, std::string_view commandLine,
                                 const std::function<void()>& whileWaiting) {
    const ParsedCommandLine parsed = ParseCommandLine(fs, commandLine);
    if (parsed.program.empty() || !isWineRunnable(parsed.program) || !fs.isFile(parsed.program))
        return kRunFailed;
    const std::string wine = findWine();
    if (wine.empty()) return kRunFailed;

    std::vector<std::string> argv{wine, parsed.program};
    argv.insert(argv.end(), parsed.arguments.begin(), parsed.arguments.end());
    std::vector<char*> argvPtrs;
    for (auto& a : argv)
        argvPtrs.push_back(a.data());
    argvPtrs.push_back(nullptr);

    // The child's environment: ours, with the prefix it is to run in.
    std::vector<std::string> env;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const std::string_view entry(*e);
        if (entry.rfind("WINEPREFIX=", 0) == 0) continue;
        env.emplace_back(entry);
    }
    env.push_back("WINEPREFIX=" + prefix.string());
    std::vector<char*> envPtrs;
    for (auto& e : env)
        envPtrs.push_back(e.data());
    envPtrs.push_back(nullptr);

    pid_t child = -1;
    if (::posix_spawn(&child, wine.c_str(), nullptr, nullptr, argvPtrs.data(), envPtrs.data()) != 0)
        return kRunFailed;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, whileWaiting ? WNOHANG : 0);
        if (done == child) break;
        if (done < 0 && errno != EINTR) return kRunFailed;
        if (done == 0) {
            whileWaiting();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    if (WIFEXITED(status)) return static_cast<std::uint32_t>(WEXITSTATUS(status));
    return kRunFailed;  // ended by a signal: no exit code
}

std::uint32_t RunAndWait(const Context& context, std::string_view commandLine, int /*showMode*/,
                         const std::function<void()>& whileWaiting) {
    const auto* wineMachine =
        dynamic_cast<const platform::wineprefix::WinePrefixMachine*>(&context.machine);
    if (wineMachine == nullptr) return kRunFailed;
    return RunAndWaitInPrefix(wineMachine->prefix(), context.machine.fileSystem(), commandLine,
                              whileWaiting);
}

}  // namespace quorvel::core
