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

    // Positions are kept within 0..100.
    void publish(std::string_view text, int position);
    void publishText(std::string_view text);
    void publishPosition(int position);
    Snapshot snapshot() const;

    // How many characters the label shows; drives the ".." shortening.
    int widthChars() const;
    void setWidthChars(int chars);

private:
    mutable std::mutex mutex_;
    Snapshot state_;
    int widthChars_;
};

// Characters are counted as UTF-8 code points, and a cut never splits one.

// ".." followed by the last maxChars - 1 characters when text is longer than maxChars
// characters; the text itself otherwise.
std::string ShortenTail(std::string_view text, int maxChars);

// The status text of the file walks: a path longer than maxChars characters shows as its drive
// ("C:", or "\\server\share" for a network path), "\.." and the last maxChars - 4 characters of
// the path; a shorter path shows as it is.
std::string ShortenPathKeepDrive(std::string_view path, int maxChars);

}  // namespace quorvel::core
