#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "core/Context.h"
#include "platform/Registry.h"
#include "platform/text/CaseInsensitive.h"
#include "registry/PathTests.h"
#include "registry/RegData.h"

namespace quorvel::registry {

// Where a scan run sends what it finds and shows, and how it learns that it must stop.
class ScanHost {
public:
    virtual ~ScanHost() = default;
    virtual bool stopRequested() const = 0;
    // The status text and the progress position (0..100).
    virtual void reportProgress(int position, std::string_view text) = 0;
    // One finding, before the ignore test.
    virtual void addFinding(TRegData finding) = 0;
    // Waits until the receiving side has handled everything sent so far.
    virtual void rendezvous() = 0;
};

// The state and shared helpers of one run of the registry checks.
class ScanRun {
public:
    static constexpr int kStepCount = 20;

    ScanRun(const core::Context& context, ScanHost& host);

    const core::Context& context() const { return context_; }
    bool stopped() const { return host_.stopRequested(); }

    // Progress base of the running step: 0 for the first, raised by 100 / kStepCount for each
    // step after it.
    void setProgressBase(double base) { progressBase_ = base; }
    double progressBase() const { return progressBase_; }
    // Element index of count, inside the step's part that spans share points from offset.
    void progress(std::size_t index, std::size_t count, double share, double offset,
                  std::string_view text);
    // A fixed position (whole-hive walks).
    void progressAt(int position, std::string_view text);
    // The position at the end of the running step.
    int stepEndPosition() const;

    // Registry access; a key that does not open is nullptr.
    platform::RegistryKeyPtr open(platform::RootKey root, std::string_view path) const;
    bool keyExists(platform::RootKey root, std::string_view path) const;
    // Opens and holds no values; with no subkeys, or (recurse) only empty subkey trees.
    bool isEmptyKeyTree(platform::RootKey root, std::string_view path, bool recurse) const;
    static bool isEmptyKeyTree(const platform::RegistryKey& key, bool recurse);
    // A subkey of an open key; nullptr when it does not open.
    static platform::RegistryKeyPtr openBelow(const platform::RegistryKey& key,
                                              std::string_view path);
    // The data of a string or expandable-string value; empty for other types and missing values.
    static std::string stringValue(const platform::RegistryKey& key, std::string_view name);
    static std::string defaultValue(const platform::RegistryKey& key) {
        return stringValue(key, "");
    }
    // Names of the key's values; a lone default value counts as no names.
    static std::size_t valueNameCount(const platform::RegistryKey& key);

    // The reference tests, with the run's cache of file-system answers.
    bool embeddedPathExists(std::string_view text);
    bool commandTargetOk(std::string_view text);
    bool serverPathExists(std::string_view text);
    bool targetExists(std::string_view commandLine, bool cutAtComma);
    // The design's folder variables, then every variable of the machine's environment;
    // nullopt when one the machine does not define remains.
    std::optional<std::string> expandVars(std::string_view text) const;

    // Class and type-library identifiers the run found broken.
    void markBroken(std::string_view id) { brokenClassIds_.emplace(id); }
    bool isListedBroken(std::string_view id) const { return brokenClassIds_.contains(id); }
    // A referenced class (or type library) is broken when its key is missing or it is listed.
    bool classReferenceBroken(std::string_view clsid) const;
    bool typeLibReferenceBroken(std::string_view typeLib) const;

    // The language-table text of message id.
    std::string message(int id, std::string_view first = {}, std::string_view second = {}) const;
    void add(platform::RootKey root, std::string_view keyPath, std::string_view valueName,
             std::string_view data, std::string description, RegFindingKind kind,
             int groupMarker = -1);
    // The end-of-step rendezvous.
    void endStep() { host_.rendezvous(); }

private:
    void openContainers() const;

    const core::Context& context_;
    ScanHost& host_;
    PathTester tester_;
    double progressBase_ = 0;
    std::unordered_set<std::string, platform::text::IHash, platform::text::IEqual> brokenClassIds_;
    std::unordered_map<std::string, bool> targetCache_;
    // Key, value and data of every finding added, in one form for the two roots that reach the
    // user's hive (HKEY_CURRENT_USER and HKEY_USERS\<the user's SID>): one problem is one finding.
    std::unordered_set<std::string> reported_;
    std::string userSid_;
    // HKEY_CLASSES_ROOT\CLSID and \typelib, opened on first use for the reference tests.
    mutable platform::RegistryKeyPtr clsidKey_;
    mutable platform::RegistryKeyPtr clsid32Key_;
    mutable platform::RegistryKeyPtr typeLibKey_;
    mutable bool containersOpened_ = false;
};

}  // namespace quorvel::registry
