#pragma once

#include "core/Context.h"
#include "core/threads/StatusSink.h"
#include "core/threads/UiBridge.h"
#include "core/threads/Worker.h"
#include "registry/IgnoreLists.h"
#include "registry/RegData.h"
#include "registry/ScanRun.h"

namespace quorvel::registry {

// The registry category's scanner thread: runs the twenty checks in order and appends one
// TRegData per problem that the ignore lists do not exclude. It changes nothing in the registry.
//
// Progress goes to the status sink (a store per value, no thread switch); findings are added on
// the UI thread through the bridge, where the ignore lists are asked and the list changes.
// findings and ignoreLists belong to the UI thread and must outlive the scan.
class TRegScan final : public core::Worker, private ScanHost {
public:
    TRegScan(RegFindings& findings, core::StatusSink& status, const core::Context& context,
             core::UiBridge& bridge, const TGlobalReg& ignoreLists);
    ~TRegScan() override;

protected:
    void execute() override;

private:
    bool stopRequested() const override { return Worker::stopRequested(); }
    void reportProgress(int position, std::string_view text) override;
    void addFinding(TRegData finding) override;
    void rendezvous() override;

    RegFindings& findings_;
    core::StatusSink& status_;
    const core::Context& context_;
    const TGlobalReg& ignoreLists_;
    int maxChars_;
};

}  // namespace quorvel::registry
