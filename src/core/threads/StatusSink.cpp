#include "core/threads/StatusSink.h"

#include <algorithm>
#include <cstddef>

namespace quorvel::core {

namespace {

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t countChars(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return !isContinuation(c); }));
}

// The last `chars` characters of text (all of it when it has fewer).
std::string_view lastChars(std::string_view text, std::size_t chars) {
    std::size_t start = text.size();
    while (chars > 0 && start > 0) {
        --start;
        if (!isContinuation(text[start])) --chars;
    }
    return text.substr(start);
}

// "C:" for a drive path, "\\server\share" for a network path, empty otherwise (as
// ExtractFileDrive gives it).
std::string_view drivePart(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    const bool network = path.size() >= 2 && (path[0] == '\\' || path[0] == '/') &&
                         (path[1] == '\\' || path[1] == '/');
    if (!network) return {};
    std::size_t separators = 0;
    for (std::size_t i = 2; i < path.size(); ++i) {
        if (path[i] == '\\' || path[i] == '/') {
            if (++separators == 2) return path.substr(0, i);
        }
    }
    return path;
}

}  // namespace

void StatusSink::publish(std::string_view text, int position) {
    std::lock_guard lock(mutex_);
    state_.text.assign(text);
    state_.position = std::clamp(position, 0, 100);
    ++state_.generation;
}

void StatusSink::publishText(std::string_view text) {
    std::lock_guard lock(mutex_);
    state_.text.assign(text);
    ++state_.generation;
}

void StatusSink::publishPosition(int position) {
    std::lock_guard lock(mutex_);
    state_.position = std::clamp(position, 0, 100);
    ++state_.generation;
}

StatusSink::Snapshot StatusSink::snapshot() const {
    std::lock_guard lock(mutex_);
    return state_;
}

int StatusSink::widthChars() const {
    std::lock_guard lock(mutex_);
    return widthChars_;
}

void StatusSink::setWidthChars(int chars) {
    std::lock_guard lock(mutex_);
    widthChars_ = chars;
}

std::string ShortenTail(std::string_view text, int maxChars) {
    const std::size_t limit = static_cast<std::size_t>(std::max(maxChars, 0));
    if (countChars(text) <= limit) return std::string(text);
    const std::size_t keep = static_cast<std::size_t>(std::max(maxChars - 1, 0));
    return ".." + std::string(lastChars(text, keep));
}

std::string ShortenPathKeepDrive(std::string_view path, int maxChars) {
    const std::size_t limit = static_cast<std::size_t>(std::max(maxChars, 0));
    if (countChars(path) <= limit) return std::string(path);
    const std::size_t keep = static_cast<std::size_t>(std::max(maxChars - 4, 0));
    return std::string(drivePart(path)) + "\\.." + std::string(lastChars(path, keep));
}

}  // namespace quorvel::core
