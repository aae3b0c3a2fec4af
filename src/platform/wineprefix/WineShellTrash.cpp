#include "platform/wineprefix/WineShellTrash.h"

#include <fstream>
#include <map>
#include <system_error>

namespace quorvel::platform::wineprefix {
namespace fs = std::filesystem;
namespace {

// Deeper trees than this are not made writable; removing them then fails and is reported.
constexpr int kMaxDepth = 512;

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The "Path=" value of the [Trash Info] group.
std::string originalPathOf(const fs::path& info) {
    std::ifstream in(info);
    std::string line;
    bool inGroup = false;
    for (int lines = 0; lines < 1000 && std::getline(in, line); ++lines) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') {
            inGroup = line == "[Trash Info]";
        } else if (inGroup && line.rfind("Path=", 0) == 0) {
            return percentDecode(line.substr(5));
        }
    }
    return {};
}

// Gives the owner full access to every real folder of the tree so its contents can go.
void makeWritable(const fs::path& dir, int depth) {
    std::error_code ec;
    if (depth > kMaxDepth || !fs::is_directory(fs::symlink_status(dir, ec))) return;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) makeWritable(it->path(), depth + 1);
    }
}

}  // namespace

std::string percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::vector<WineShellTrash::Item> WineShellTrash::items() const {
    std::vector<Item> out;
    std::error_code ec;
    std::map<std::string, fs::path> files;
    for (fs::directory_iterator it(root_ / "files", ec), end; !ec && it != end; it.increment(ec)) {
        files.emplace(it->path().filename().string(), it->path());
    }
    for (const auto& [name, path] : files) {
        Item item;
        item.file = path;
        const fs::path info = root_ / "info" / (name + ".trashinfo");
        if (fs::is_regular_file(fs::symlink_status(info, ec))) {
            item.info = info;
            item.originalPath = originalPathOf(info);
        }
        out.push_back(std::move(item));
    }
    return out;
}

std::uint64_t WineShellTrash::sizeOf(const fs::path& entry) {
    std::error_code ec;
    const auto status = fs::symlink_status(entry, ec);
    if (ec) return 0;
    if (fs::is_regular_file(status)) {
        const auto size = fs::file_size(entry, ec);
        return ec ? 0 : size;
    }
    if (!fs::is_directory(status)) return 0;  // links and special files hold no data here
    std::uint64_t total = 0;
    // Does not follow directory links (directory_options::none).
    for (fs::recursive_directory_iterator
             it(entry, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
        std::error_code e;
        if (it->is_regular_file(e) && !it->is_symlink(e)) {
            const auto size = it->file_size(e);
            if (!e) total += size;
        }
    }
    return total;
}

Status WineShellTrash::remove(const Item& item) {
    std::error_code ec;
    makeWritable(item.file, 0);
    fs::remove_all(item.file, ec);  // removes a link as a link
    std::error_code gone;
    if (ec || fs::exists(fs::symlink_status(item.file, gone))) {
        return Status(ErrorCode::AccessDenied, "Could not remove \"" + item.file.string() +
                                                   "\" from the recycle bin: " + ec.message());
    }
    if (item.info) fs::remove(*item.info, ec);
    return Status::ok();
}

Status WineShellTrash::removeLeftovers() const {
    std::error_code ec;
    for (fs::directory_iterator it(root_ / "info", ec), end; !ec && it != end; it.increment(ec)) {
        const auto path = it->path();
        if (path.extension() != ".trashinfo") continue;
        const auto item = root_ / "files" / path.stem();
        std::error_code e;
        if (!fs::exists(fs::symlink_status(item, e))) fs::remove(path, e);
    }
    fs::remove(root_ / "directorysizes", ec);
    return Status::ok();
}

}  // namespace quorvel::platform::wineprefix
