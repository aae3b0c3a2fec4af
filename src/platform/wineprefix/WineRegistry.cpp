#include "platform/wineprefix/WineRegistry.h"

#include <shared_mutex>

#include "platform/wineprefix/WineRegistryKey.h"
#include "platform/wineprefix/WineRegistryState.h"

namespace quorvel::platform::wineprefix {
namespace {

constexpr std::string_view kClasses = "Software\\Classes";
constexpr std::string_view kCurrentConfig = "System\\CurrentControlSet\\Hardware Profiles\\Current";

Status unsupportedRoot() {
    return {ErrorCode::InvalidHandle, "This registry root is not available in a Wine prefix."};
}

// The keys a root stands for; `create` makes the machine's keys behind HKCR and HKCC.
Result<KeyView> rootView(const std::shared_ptr<RegistryState>& state, RootKey root, bool create) {
    KeyView view;
    switch (root) {
        case RootKey::LocalMachine:
            view.front = state->machine();
            return view;
        case RootKey::CurrentUser:
            view.front = state->currentUser();
            return view;
        case RootKey::Users:
            view.front = state->users();
            return view;
        case RootKey::ClassesRoot:
        case RootKey::CurrentConfig: {
            const bool classes = root == RootKey::ClassesRoot;
            const std::string_view path = classes ? kClasses : kCurrentConfig;
            if (create) {
                KeyView machine;
                machine.front = state->machine();
                auto made = WineRegistryKey::create(state, machine, path);
                if (!made) return made.status();
            }
            std::shared_lock lock(state->mutex());
            auto walk = [&](std::shared_ptr<HiveKey> key) {
                for (const auto part : splitKeyPath(path)) {
                    if (!key) break;
                    key = state->child(*key, part, true, view.followed);
                }
                return key;
            };
            view.merged = classes;
            if (classes) {
                view.front = walk(state->currentUser());
                view.back = walk(state->machine());
            } else {
                view.front = walk(state->machine());
            }
            if (!view.front && !view.back)
                return Status(ErrorCode::FileNotFound,
                              "The registry key HKLM\\" + std::string(path) + " does not exist.");
            return view;
        }
        default:
            return unsupportedRoot();
    }
}

}  // namespace

WineRegistry::WineRegistry(std::shared_ptr<RegistryState> state) : state_(std::move(state)) {}
WineRegistry::~WineRegistry() = default;

Result<std::unique_ptr<WineRegistry>> WineRegistry::open(const std::filesystem::path& prefix) {
    std::error_code ec;
    if (!std::filesystem::is_directory(prefix, ec))
        return Status(ErrorCode::PathNotFound,
                      "The Wine prefix " + prefix.string() + " does not exist.");
    auto state = std::make_shared<RegistryState>(prefix);
    state->load();
    return std::unique_ptr<WineRegistry>(new WineRegistry(std::move(state)));
}

Result<RegistryKeyPtr> WineRegistry::openKey(RootKey root, std::string_view path,
                                             RegAccess access) {
    auto view = rootView(state_, root, false);
    if (!view) return view.status();
    return WineRegistryKey::open(state_, *view, path, access);
}

Result<RegistryKeyPtr> WineRegistry::createKey(RootKey root, std::string_view path) {
    if (Status s = state_->checkServerStopped(); !s) return s;
    auto view = rootView(state_, root, true);
    if (!view) return view.status();
    return WineRegistryKey::create(state_, *view, path);
}

Status WineRegistry::flush() {
    if (Status s = state_->checkServerStopped(); !s) return s;
    return state_->flush();
}

Status WineRegistry::discardChanges() {
    state_->reload();
    return Status::ok();
}

std::string WineRegistry::currentUserName() const {
    return state_->currentUser()->name;
}

std::vector<HiveProblem> WineRegistry::problems() const {
    return state_->problems();
}

const std::filesystem::path& WineRegistry::prefix() const {
    return state_->prefix();
}

}  // namespace quorvel::platform::wineprefix
