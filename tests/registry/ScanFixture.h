#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Context.h"
#include "core/environment/ProtectedFolders.h"
#include "core/language/LanguageTable.h"
#include "registry/RegChecks.h"
#include "support/MachineBuilder.h"

namespace quorvel::testing {

// Receives what a check reports, on the calling thread.
class CollectingHost : public registry::ScanHost {
public:
    bool stopRequested() const override { return false; }
    void reportProgress(int position, std::string_view text) override {
        positions.push_back(position);
        texts.emplace_back(text);
    }
    void addFinding(registry::TRegData finding) override { findings.push_back(std::move(finding)); }
    void rendezvous() override { ++rendezvousCount; }

    registry::RegFindings findings;
    std::vector<int> positions;
    std::vector<std::string> texts;
    int rendezvousCount = 0;
};

// A built machine with its context: plant keys and files through `builder`, then run checks.
class ScanFixture : public ::testing::Test {
protected:
    MachineBuilder builder;
    CollectingHost host;

    // Builds the machine (again, after more changes) and fills the context.
    core::Context& context();
    // Runs one check on the machine as it is built now.
    registry::RegFindings run(registry::RegCheck check, double progressBase = 0) {
        return run({check}, progressBase);
    }
    // Runs several checks in one run (they share the broken-class list).
    registry::RegFindings run(std::initializer_list<registry::RegCheck> checks,
                              double progressBase = 0);
    // The findings with the given key path (letter case ignored, as in the registry).
    static std::vector<registry::TRegData> at(const registry::RegFindings& findings,
                                              std::string_view keyPath);
    // The one finding with the given key path; a test failure when there is not exactly one.
    static registry::TRegData one(const registry::RegFindings& findings, std::string_view keyPath);
    // Expects each key path to carry the given number of findings.
    static void expectCounts(const registry::RegFindings& findings,
                             std::initializer_list<std::pair<std::string, std::size_t>> rows);
    // On failure, what every run of the test found.
    void TearDown() override;

public:
    // The folder of the test executable, beside languages/ and data/.
    static std::filesystem::path programDir();

private:
    std::unique_ptr<platform::wineprefix::WinePrefixMachine> machine_;
    core::TGlobalVars globals_;
    core::LanguageTable language_;
    std::unique_ptr<core::ProtectedFolders> protected_;
    std::optional<core::Context> context_;
    std::string found_;
};

// "HKEY_LOCAL_MACHINE\..." style summary of findings for readable failure messages.
std::string Describe(const registry::RegFindings& findings);

}  // namespace quorvel::testing

// The names the check tests use all the time.
namespace quorvel::registry::checktests {
using platform::RegValue;
using platform::RootKey;
using testing::Describe;
using testing::ScanFixture;
inline RegValue Sz(std::string_view s) {
    return RegValue::string(s);
}
inline RegValue Ex(std::string_view s) {
    return RegValue::string(s, platform::regtype::ExpandSz);
}
}  // namespace quorvel::registry::checktests
