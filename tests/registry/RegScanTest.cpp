#include <atomic>
#include <memory>

#include "ScanFixture.h"
#include "core/threads/HeadlessUiBridge.h"
#include "core/threads/StatusSink.h"
#include "registry/RegScan.h"

namespace quorvel::registry::checktests {
namespace {

// Forwards to the headless bridge, counting the synchronised calls and running a hook on the UI
// thread after each.
class CountingBridge final : public core::UiBridge {
public:
    void sync(const std::function<void()>& fn) override {
        ++syncs;
        inner_.sync([&] {
            fn();
            if (afterSync) afterSync();
        });
    }
    void post(std::function<void()> fn) override { inner_.post(std::move(fn)); }
    void pumpUntil(const std::function<bool()>& done) override { inner_.pumpUntil(done); }

    std::atomic<int> syncs{0};
    std::function<void()> afterSync;

private:
    core::HeadlessUiBridge inner_;
};

class RegScanThread : public ScanFixture {
protected:
    void SetUp() override {
        // Folders the default shell-folder values name, so only planted problems remain.
        for (const char* folder : {"AppData\\Local\\Microsoft\\Windows\\INetCookies",
                                   "AppData\\Roaming\\Microsoft\\Windows\\SendTo",
                                   "AppData\\Roaming\\Microsoft\\Windows\\Templates"}) {
            builder.folder(std::string("C:\\users\\tester\\") + folder);
        }
        builder.value(
            "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
            "Gone", Sz("C:\\Nowhere"));
        builder.value(
            "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
            "Binary", RegValue::binary({'C', ':', '\\', 'x'}));  // not a path: not judged
        for (const char* name : {"A", "B", "C"}) {
            builder.value(std::string("HKLM\\Software\\Vendor\\") + name, "Target",
                          RegValue::string(std::string("C:\\Gone\\") + name + ".exe"));
        }
        builder.value("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Agent",
                      RegValue::string("C:\\Gone\\agent.exe"));
        for (int i = 0; i < 300; ++i) {
            builder.value("HKLM\\Software\\Plain", "v" + std::to_string(i),
                          RegValue::string("text"));
        }
    }

    // Runs a whole scan and waits for its end notification.
    void scan(core::StatusSink& status, const TGlobalReg& lists) {
        auto& ctx = context();
        scanner_ = std::make_unique<TRegScan>(findings, status, ctx, bridge, lists);
        bool notified = false;
        scanner_->start([&] { notified = true; });
        scanner_->wait();
        EXPECT_TRUE(notified);
        EXPECT_FALSE(scanner_->failed());
    }

    CountingBridge bridge;
    RegFindings findings;
    std::unique_ptr<TRegScan> scanner_;
};

TEST_F(RegScanThread, RunsStepsInOrderAndAsksTheIgnoreLists) {
    TGlobalReg lists;
    lists.BuiltInExclusions = {"HKEY_LOCAL_MACHINE\\Software\\Vendor\\B"};
    lists.UserIgnoreList = {
        ";HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"};
    core::StatusSink status(200);
    scan(status, lists);

    SCOPED_TRACE(Describe(findings));
    ASSERT_EQ(findings.size(), 4u);
    EXPECT_EQ(findings[0].Description,  // step 1
              "Shell folder \"Gone\" refers to a missing folder: C:\\Nowhere");
    EXPECT_EQ(findings[1].KeyPath, "\\Software\\Vendor\\A");  // step 2
    EXPECT_EQ(findings[2].KeyPath, "\\Software\\Vendor\\C");
    // Step 3 walks the user's Run key through HKEY_USERS and files it under HKEY_CURRENT_USER;
    // step 9 reaches the same value (the switched-off user entry does not match) and adds nothing.
    EXPECT_EQ(findings[3].RootKey, RootKey::CurrentUser);
    EXPECT_EQ(findings[3].KeyPath, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");

    // One synchronised call per finding offered (the ignored one included, the repeated one
    // not) and one per step;
    // the per-value progress went to the sink without any.
    EXPECT_EQ(bridge.syncs.load(), 5 + 20);
    EXPECT_GT(status.snapshot().generation, 300u);
    EXPECT_LE(status.snapshot().position, 100);
}

TEST_F(RegScanThread, StopDuringTheMachineWalkKeepsEarlierFindings) {
    bridge.afterSync = [this] {
        if (!findings.empty() && findings[findings.size() - 1].RootKey == RootKey::LocalMachine) {
            scanner_->requestStop();
        }
    };
    core::StatusSink status;
    scan(status, TGlobalReg{});

    SCOPED_TRACE(Describe(findings));
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[0].ValueName, "Gone");
    EXPECT_EQ(findings[1].KeyPath, "\\Software\\Vendor\\A");
    EXPECT_TRUE(scanner_->finished());
}

TEST_F(RegScanThread, DestroyingARunningScanStopsIt) {
    auto& ctx = context();
    core::StatusSink status;
    TGlobalReg lists;
    auto scanner = std::make_unique<TRegScan>(findings, status, ctx, bridge, lists);
    scanner->start();
    // Let the first finding through, then go away while the thread still runs.
    bridge.pumpUntil([&] { return !findings.empty(); });
    scanner.reset();
    // The walk of the machine hive never got far.
    EXPECT_GE(findings.size(), 1u);
    EXPECT_LT(findings.size(), 5u);
}

}  // namespace
}  // namespace quorvel::registry::checktests
