#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace quorvel::core {

// A status label and a progress bar (0..100) as a worker sees them. Workers publish the latest
// text and position; the view reads a snapshot at display rate. Publishing is a store under a
// short lock, never a thread switch. Safe from any thread.
class StatusSink {
public:
    struct Snapshot {
        std::string text;
        int position = 0;
        std::uint64_t generation = 0;  // grows with every publish
    };

    explicit StatusSink(int widthChars = 60) : widthChars_(widthChars) {}

    void publish(std::string_view text, int position);
    void publishText(std::string_view text);
    void publishPosition(int position);
    Snapshot snapshot() const;

    // How many characters the label shows; drives the ".." shortening.
    int widthChars() const { return widthChars_; }
    void setWidthChars(int chars) { widthChars_ = chars; }

private:
    mutable std::mutex mutex_;
    Snapshot state_;
    int widthChars_;
};

// ".." followed by the last maxChars - 1 characters when text is longer than maxChars.
std::string ShortenTail(std::string_view text, int maxChars);

}  // namespace quorvel::core
