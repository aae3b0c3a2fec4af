#include "support/WineTools.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/text/CaseInsensitive.h"
#include "support/HostFiles.h"

namespace quorvel::testing {
namespace {

bool onPath(const std::string& program) {
    const std::string cmd = "command -v " + ShellQuoted(program) + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

int hexNibble(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool WineTools::available() {
    return onPath("wine") && onPath("wineboot") && onPath("wineserver");
}

WineTools::Output WineTools::run(const std::filesystem::path& prefix,
                                 const std::vector<std::string>& command) {
    std::string line = "env HOME=" + ShellQuoted(prefix.parent_path().string()) +
                       " WINEPREFIX=" + ShellQuoted(prefix.string()) +
                       " WINEDEBUG=-all"
                       " WINEDLLOVERRIDES='winemenubuilder.exe=d;mscoree=d;mshtml=d'"
                       " DISPLAY=";
    for (const auto& part : command)
        line += " " + ShellQuoted(part);
    // Output goes to a file, not a pipe: a wineserver started by the command lives on and
    // would keep a pipe open.
    char name[] = "/tmp/quorvel-wine-output-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) return {};
    ::close(fd);
    line += " >" + ShellQuoted(name) + " 2>&1 </dev/null";
    Output out;
    const int status = std::system(line.c_str());
    out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    out.text = ReadWholeFile(name);
    ::unlink(name);
    return out;
}

std::optional<std::string> WineTools::makePrefix(const std::filesystem::path& prefix) {
    std::filesystem::create_directories(prefix.parent_path());
    const Output boot = run(prefix, {"wineboot", "-i"});
    waitForServer(prefix);
    if (!std::filesystem::exists(prefix / "system.reg"))
        return "wineboot did not create " + (prefix / "system.reg").string() + ": " + boot.text;
    return std::nullopt;
}

void WineTools::waitForServer(const std::filesystem::path& prefix) {
    run(prefix, {"wineserver", "-w"});
}

void WineTools::killServer(const std::filesystem::path& prefix) {
    run(prefix, {"wineserver", "-k"});
    waitForServer(prefix);
}

bool WineTools::copyPrefix(const std::filesystem::path& from, const std::filesystem::path& to) {
    const std::string cmd = "cp -al " + ShellQuoted(from.string()) + " " +
                            ShellQuoted(to.string()) + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return false;
    for (const char* hive : {"system.reg", "user.reg", "userdef.reg"}) {
        std::error_code ec;
        if (!std::filesystem::exists(from / hive, ec)) continue;
        std::filesystem::remove(to / hive, ec);
        std::filesystem::copy_file(from / hive, to / hive, ec);
        if (ec) return false;
    }
    return true;
}

std::optional<std::map<std::string, platform::RegValue>> WineTools::exportedValues(
    const std::filesystem::path& regFile, const std::string& keyPath) {
    const std::string text = ReadUtf16File(regFile);
    if (text.empty()) return std::nullopt;
    // Join continuation lines first.
    std::string joined;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() &&
            (text[i + 1] == '\r' || text[i + 1] == '\n')) {
            ++i;
            while (i < text.size() && (text[i] == '\r' || text[i] == '\n' || text[i] == ' '))
                ++i;
            --i;
            continue;
        }
        if (text[i] != '\r') joined.push_back(text[i]);
    }

    std::map<std::string, platform::RegValue> values;
    bool inKey = false;
    bool found = false;
    std::istringstream lines(joined);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty()) continue;
        if (line[0] == '[') {
            inKey = platform::text::iequals(line, "[" + keyPath + "]");
            found = found || inKey;
            continue;
        }
        if (!inKey) continue;
        std::string name;
        std::size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (line[0] == '"') {
            pos = 1;
            while (pos < line.size() && line[pos] != '"') {
                if (line[pos] == '\\' && pos + 1 < line.size()) ++pos;
                name.push_back(line[pos++]);
            }
            ++pos;
        } else {
            continue;
        }
        if (pos >= line.size() || line[pos] != '=') continue;
        const std::string data = line.substr(pos + 1);
        platform::RegValue value;
        if (!data.empty() && data[0] == '"') {
            std::string s;
            for (std::size_t i = 1; i < data.size() && data[i] != '"'; ++i) {
                if (data[i] == '\\' && i + 1 < data.size()) ++i;
                s.push_back(data[i]);
            }
            value = platform::RegValue::string(s);
        } else if (data.rfind("dword:", 0) == 0) {
            value = platform::RegValue::dword(
                static_cast<std::uint32_t>(std::stoul(data.substr(6), nullptr, 16)));
        } else if (data.rfind("hex", 0) == 0) {
            std::size_t colon = data.find(':');
            value.type = platform::regtype::Binary;
            if (data.size() > 3 && data[3] == '(')
                value.type = static_cast<std::uint32_t>(std::stoul(data.substr(4), nullptr, 16));
            for (std::size_t i = colon + 1; i < data.size();) {
                if (i + 1 < data.size() && hexNibble(data[i]) >= 0 && hexNibble(data[i + 1]) >= 0) {
                    value.data.push_back(static_cast<std::uint8_t>(hexNibble(data[i]) * 16 +
                                                                   hexNibble(data[i + 1])));
                    i += 2;
                } else {
                    ++i;
                }
            }
        } else {
            continue;
        }
        values[name] = value;
    }
    if (!found) return std::nullopt;
    return values;
}

}  // namespace quorvel::testing
