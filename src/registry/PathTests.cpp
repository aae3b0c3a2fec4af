#include "registry/PathTests.h"

#include "platform/text/CaseInsensitive.h"

namespace quorvel::registry {

namespace {

namespace text = platform::text;

constexpr auto npos = std::string_view::npos;

bool Contains(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != npos;
}

// "%1" as the first or second character: the command is the document itself ("%1" or "\"%1\"").
bool StartsWithDocumentPlaceholder(std::string_view s) {
    const auto at = s.find("%1");
    return at == 0 || at == 1;
}

// Position of an extension pattern such as ".dll\" ignoring case, or npos. Jumps from dot to dot:
// this runs for every drive path of a hive walk.
std::size_t FindExtension(std::string_view s, std::string_view ext) {
    for (auto at = s.find('.'); at != npos; at = s.find('.', at + 1)) {
        if (text::iequals(s.substr(at, ext.size()), ext)) return at;
    }
    return npos;
}

// Keeps text up to and including ext when ext is followed by a backslash: a path that goes on
// inside a library ("C:\x\a.dll\2") names the library.
void CutAfterExtension(std::string& s, std::string_view extWithBackslash) {
    const auto at = FindExtension(s, extWithBackslash);
    if (at != npos) s.resize(at + extWithBackslash.size() - 1);
}

}  // namespace

std::string CutAtFirst(std::string_view delimiter, std::string_view text) {
    const auto at = text.find(delimiter);
    return std::string(at == npos ? text : text.substr(0, at));
}

bool IsBracedName(std::string_view name) {
    return !name.empty() && name.front() == '{' && name.back() == '}';
}

bool EmbeddedPathExists(const PathTester& tester, std::string_view data) {
    // Most data holds neither a variable nor a drive path: nothing to test, nothing to copy.
    if (!Contains(data, "%") && !Contains(data, ":\\")) return true;
    std::string s(data);
    if (Contains(s, "%")) {
        const auto expanded = tester.expandVars(s);
        if (!expanded) return true;
        s = text::toLowerAscii(*expanded);
    }
    if (Contains(s, "?:\\")) return true;
    const auto colon = s.find(":\\");
    // No drive path at all, or ":\" with no letter before it.
    if (colon == npos || colon == 0) return true;

    const auto firstQuote = s.find('\'');
    const bool quotedTwice = firstQuote != npos && firstQuote != s.rfind('\'');

    s.erase(0, colon - 1);
    if (quotedTwice) s = CutAtFirst("'", s);
    for (const char* delimiter : {"\"", ",", ";", "|"})
        s = CutAtFirst(delimiter, s);
    for (const char* ext : {".dll\\", ".ocx\\", ".exe\\"})
        CutAfterExtension(s, ext);

    if (tester.targetExists(s, true)) return true;
    // "file.dll(1)": the file before a bracket. Only a file name counts there: cut at the bracket
    // of "C:\Program Files (x86)\...", the rest "C:\Program Files " names a folder that exists.
    const std::string beforeBracket = CutAtFirst("(", s);
    const auto lastSlash = beforeBracket.find_last_of('\\');
    if (beforeBracket.size() < s.size() && !beforeBracket.ends_with(' ') &&
        beforeBracket.find('.', lastSlash == npos ? 0 : lastSlash) != npos &&
        tester.targetExists(beforeBracket, true)) {
        return true;
    }
    // Explorer's MRU lists end each entry with "\1": the path is the part before it.
    const auto slash = s.find_last_of('\\');
    if (slash != std::string::npos && slash + 1 < s.size() &&
        s.find_first_not_of("0123456789", slash + 1) == std::string::npos) {
        return tester.targetExists(std::string_view(s).substr(0, slash), true);
    }
    return false;
}

bool CommandTargetOk(const PathTester& tester, std::string_view command) {
    if (Contains(command, "\\\\")) return true;
    if (StartsWithDocumentPlaceholder(command)) return true;
    if (Contains(command, "%")) {
        const auto expanded = tester.expandVars(command);
        return !expanded || tester.targetExists(*expanded, true);
    }
    return tester.targetExists(command, true);
}

bool ServerPathExists(const PathTester& tester, std::string_view path) {
    std::string s = text::toUpperAscii(path);
    if (Contains(s, "\\\\")) return true;
    if (StartsWithDocumentPlaceholder(s)) return true;
    // Upper-casing changes no position: without an expansion the file is named in its own
    // letter case, which the file system finds without searching a folder for it.
    const bool expanded = Contains(s, "%");
    if (expanded) {
        auto full = tester.expandVars(s);
        if (!full) return true;
        s = std::move(*full);
    }

    const auto colon = s.find(':');
    auto ext = npos;
    for (const char* candidate : {".EXE", ".DLL", ".OCX", ".ICO"}) {
        ext = FindExtension(s, candidate);
        if (ext != npos) break;
    }
    if (colon == npos || ext == npos || colon > ext) return true;
    const auto from = colon == 0 ? 0 : colon - 1;
    const std::string_view named = expanded ? std::string_view(s) : path;
    return tester.targetExists(named.substr(from, ext + 4 - from), false);
}

}  // namespace quorvel::registry
