#include "registry/RegistryWalk.h"

#include <cmath>
#include <string>
#include <vector>

#include "core/paths/PathUtils.h"
#include "registry/RegChecks.h"

namespace quorvel::registry {

namespace {

namespace text = platform::text;
using platform::RootKey;

constexpr std::string_view kCurrentUserName = "HKEY_CURRENT_USER";

class Walker {
public:
    Walker(ScanRun& run, RootKey root, std::span<const std::string_view> skipList, int position)
        : run_(run), root_(root), position_(position) {
        for (auto entry : skipList)
            skip_.push_back(text::toUpperAscii(entry));
        rootName_ = text::toUpperAscii(core::RootKeyName(root));
    }

    void walk(std::string_view start) {
        std::string path(start);
        if (skipped(path)) return;
        auto key = run_.open(root_, path);
        if (!key || !testValues(path, *key)) return;
        std::vector<Frame> stack;
        stack.push_back(frameFor(std::move(path), std::move(key)));
        while (!stack.empty()) {
            if (run_.stopped()) return;
            Frame& top = stack.back();
            if (top.next >= top.subkeys.size() ||
                text::iequals(top.subkeys[top.next], "wow6432node")) {
                stack.pop_back();
                continue;
            }
            const std::string& name = top.subkeys[top.next++];
            std::string child = top.path + "\\" + name;
            if (skipped(child)) continue;
            // Opened below its parent: one name lookup instead of the whole path's.
            auto opened = top.key->openSubKey(name);
            if (!opened) continue;
            auto childKey = std::move(opened).value();
            if (!testValues(child, *childKey)) return;
            stack.push_back(frameFor(std::move(child), std::move(childKey)));
        }
    }

private:
    struct Frame {
        std::string path;
        platform::RegistryKeyPtr key;
        std::vector<std::string> subkeys;
        std::size_t next = 0;
    };

    bool skipped(std::string_view path) const {
        if (skip_.empty()) return false;
        const std::string full = rootName_ + text::toUpperAscii(path) + "\\";
        std::string asCurrentUser;
        if (root_ == RootKey::Users) {
            // "\<user>\rest" is that user's "HKEY_CURRENT_USER\rest".
            const auto second = path.find('\\', 1);
            if (second != std::string_view::npos) {
                asCurrentUser =
                    std::string(kCurrentUserName) + text::toUpperAscii(path.substr(second)) + "\\";
            }
        }
        for (const auto& entry : skip_) {
            if (full.find(entry) != std::string::npos) return true;
            if (!asCurrentUser.empty() && asCurrentUser.find(entry) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    // Tests the key's values; false when a stop was requested meanwhile.
    bool testValues(const std::string& path, const platform::RegistryKey& key) {
        const std::string_view shown = std::string_view(path).substr(path.empty() ? 0 : 1);
        for (std::uint32_t i = 0;; ++i) {
            if (run_.stopped()) return false;
            auto value = key.valueAt(i);
            if (!value) break;
            if (!value->value.isString()) continue;
            const std::string data = value->value.asString().value_or(std::string{});
            progressText_.assign(shown).append("\\").append(value->name);
            run_.progressAt(position_, progressText_);
            if (!run_.embeddedPathExists(data)) {
                run_.add(root_, path, value->name, data, run_.message(11042, value->name, data),
                         DeleteValue);
            }
        }
        return true;
    }

    static Frame frameFor(std::string path, platform::RegistryKeyPtr key) {
        Frame frame;
        if (path.size() >= 7 &&
            text::iequals(std::string_view(path).substr(path.size() - 7), "\\system")) {
            frame.subkeys = {"CurrentControlSet"};
        } else {
            frame.subkeys = key->subKeyNames();
        }
        frame.path = std::move(path);
        frame.key = std::move(key);
        return frame;
    }

    ScanRun& run_;
    RootKey root_;
    int position_;
    std::string rootName_;
    std::vector<std::string> skip_;
    std::string progressText_;  // reused: one status text per value tested
};

}  // namespace

void WalkEmbeddedPaths(ScanRun& run, platform::RootKey root, std::string_view path,
                       std::span<const std::string_view> skipList, int position) {
    Walker(run, root, skipList, position).walk(path);
}

void CheckLocalMachinePaths(ScanRun& run) {
    WalkEmbeddedPaths(run, RootKey::LocalMachine, "", kWalkSkipList, run.stepEndPosition());
    run.endStep();
}

void CheckUserHivePaths(ScanRun& run) {
    if (auto users = run.open(RootKey::Users, "")) {
        const auto names = users->subKeyNames();
        users.reset();
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (run.stopped()) break;
            const double within =
                static_cast<double>(i + 1) * 100.0 / static_cast<double>(names.size());
            const int position =
                static_cast<int>(std::lround(within / ScanRun::kStepCount + run.progressBase()));
            WalkEmbeddedPaths(run, RootKey::Users, "\\" + names[i], kWalkSkipList, position);
        }
    }
    run.endStep();
}

// Sound events and virtual device drivers are walked without a skip list; their bar stands at
// the end of their step.
void CheckSoundEvents(ScanRun& run) {
    WalkEmbeddedPaths(run, RootKey::CurrentUser, "\\AppEvents\\Schemes\\Apps", {},
                      run.stepEndPosition());
    run.endStep();
}

void CheckVirtualDeviceDrivers(ScanRun& run) {
    WalkEmbeddedPaths(run, RootKey::LocalMachine, "\\SYSTEM\\CurrentControlSet\\Services\\VxD", {},
                      run.stepEndPosition());
    if (!run.stopped()) {
        WalkEmbeddedPaths(run, RootKey::LocalMachine,
                          "\\SYSTEM\\CurrentControlSet\\Control\\VirtualDeviceDrivers", {},
                          run.stepEndPosition());
    }
    run.endStep();
}

}  // namespace quorvel::registry
