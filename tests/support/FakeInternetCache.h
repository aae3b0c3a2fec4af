#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/InternetCache.h"
#include "platform/Machine.h"

namespace quorvel::testing {

// An Internet cache held in memory: entries per container, deleted by address.
class FakeInternetCache final : public platform::InternetCache {
public:
    std::vector<platform::CacheEntry>& container(platform::CacheContainer c) {
        return containers_[static_cast<std::size_t>(c)];
    }
    platform::Result<std::vector<platform::CacheEntry>> entries(
        platform::CacheContainer c) const override {
        return containers_[static_cast<std::size_t>(c)];
    }
    platform::Status deleteEntry(platform::CacheContainer c, std::string_view url) override {
        auto& list = container(c);
        const auto it = std::find_if(list.begin(), list.end(),
                                     [&](const auto& e) { return e.sourceUrl == url; });
        if (it == list.end())
            return platform::Status(platform::ErrorCode::FileNotFound, "no entry");
        list.erase(it);
        return platform::Status::ok();
    }

private:
    std::array<std::vector<platform::CacheEntry>, 3> containers_;
};

// A file system that forwards to another and calls onFind before every enumeration.
class ObservedFileSystem final : public platform::FileSystem {
public:
    ObservedFileSystem(platform::FileSystem& inner, std::function<void(std::string_view)> onFind)
        : inner_(inner), onFind_(std::move(onFind)) {}

    std::vector<platform::FindData> find(std::string_view pattern) const override {
        onFind_(pattern);
        return inner_.find(pattern);
    }
    std::optional<platform::FindData> stat(std::string_view p) const override {
        return inner_.stat(p);
    }
    std::uint32_t attributes(std::string_view p) const override { return inner_.attributes(p); }
    platform::Status setAttributes(std::string_view p, std::uint32_t a) override {
        return inner_.setAttributes(p, a);
    }
    platform::Status setFileTimes(std::string_view p, std::optional<platform::FileTime> c,
                                  std::optional<platform::FileTime> a,
                                  std::optional<platform::FileTime> w) override {
        return inner_.setFileTimes(p, c, a, w);
    }
    platform::Status deleteFile(std::string_view p) override { return inner_.deleteFile(p); }
    platform::Status removeDirectory(std::string_view p) override {
        return inner_.removeDirectory(p);
    }
    platform::Status createDirectory(std::string_view p) override {
        return inner_.createDirectory(p);
    }
    platform::Status moveFile(std::string_view f, std::string_view t, bool r) override {
        return inner_.moveFile(f, t, r);
    }
    platform::Status copyFile(std::string_view f, std::string_view t, bool e) override {
        return inner_.copyFile(f, t, e);
    }
    bool isInUse(std::string_view p) const override { return inner_.isInUse(p); }
    platform::Result<std::string> readFile(std::string_view p) const override {
        return inner_.readFile(p);
    }
    platform::Status writeFile(std::string_view p, std::string_view d,
                               platform::WriteMode m) override {
        return inner_.writeFile(p, d, m);
    }
    std::optional<std::string> longPathName(std::string_view p) const override {
        return inner_.longPathName(p);
    }
    bool staysInside(std::string_view p) const override { return inner_.staysInside(p); }

private:
    platform::FileSystem& inner_;
    std::function<void(std::string_view)> onFind_;
};

// A machine that forwards to another, with the Internet cache (and optionally the file system)
// replaced.
class MachineWithCache final : public platform::Machine {
public:
    MachineWithCache(platform::Machine& inner, platform::InternetCache& cache,
                     platform::FileSystem* fileSystem = nullptr)
        : inner_(inner), cache_(cache), fileSystem_(fileSystem) {}
    platform::Registry& registry() override { return inner_.registry(); }
    platform::FileSystem& fileSystem() override {
        return fileSystem_ ? *fileSystem_ : inner_.fileSystem();
    }
    platform::Environment& environment() override { return inner_.environment(); }
    platform::Shell& shell() override { return inner_.shell(); }
    platform::InternetCache& internetCache() override { return cache_; }
    platform::Result<platform::WriteLockPtr> lockForWriting(
        const platform::LockWait& wait) override {
        return inner_.lockForWriting(wait);
    }
    std::string displayName() const override { return inner_.displayName(); }

private:
    platform::Machine& inner_;
    platform::InternetCache& cache_;
    platform::FileSystem* fileSystem_;
};

}  // namespace quorvel::testing
