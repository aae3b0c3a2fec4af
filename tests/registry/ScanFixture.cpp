#include "ScanFixture.h"

#include <unistd.h>

#include <iostream>

#include "core/environment/InitGlobals.h"
#include "core/paths/PathUtils.h"
#include "platform/text/CaseInsensitive.h"

namespace quorvel::testing {

std::filesystem::path ScanFixture::programDir() {
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
}

core::Context& ScanFixture::context() {
    machine_ = builder.build();
    globals_ = core::TGlobalVars{};
    core::InitGlobals(*machine_, programDir(), globals_, language_);
    protected_ = std::make_unique<core::ProtectedFolders>();
    context_.emplace(core::Context{*machine_, globals_, language_, *protected_});
    return *context_;
}

registry::RegFindings ScanFixture::run(std::initializer_list<registry::RegCheck> checks,
                                       double progressBase) {
    auto& ctx = context();
    host.findings.clear();
    registry::ScanRun scan(ctx, host);
    scan.setProgressBase(progressBase);
    for (auto check : checks)
        check(scan);
    found_ += Describe(host.findings) + "--\n";
    return host.findings;
}

std::vector<registry::TRegData> ScanFixture::at(const registry::RegFindings& findings,
                                                std::string_view keyPath) {
    std::vector<registry::TRegData> matching;
    for (const auto& f : findings) {
        if (platform::text::iequals(f.KeyPath, keyPath)) matching.push_back(f);
    }
    return matching;
}

registry::TRegData ScanFixture::one(const registry::RegFindings& findings,
                                    std::string_view keyPath) {
    auto matching = at(findings, keyPath);
    EXPECT_EQ(matching.size(), 1u) << keyPath;
    return matching.empty() ? registry::TRegData{} : matching.front();
}

void ScanFixture::expectCounts(const registry::RegFindings& findings,
                               std::initializer_list<std::pair<std::string, std::size_t>> rows) {
    for (const auto& [keyPath, count] : rows)
        EXPECT_EQ(at(findings, keyPath).size(), count) << keyPath;
}

void ScanFixture::TearDown() {
    if (HasFailure()) std::cerr << "Findings of each run:\n" << found_;
}

std::string Describe(const registry::RegFindings& findings) {
    std::string out;
    for (const auto& f : findings) {
        out += core::RootKeyName(f.RootKey) + f.KeyPath + " [" + f.ValueName + "] = " + f.Data +
               " : " + f.Description + " (kind " + std::to_string(f.Kind) + ")\n";
    }
    return out;
}

}  // namespace quorvel::testing
