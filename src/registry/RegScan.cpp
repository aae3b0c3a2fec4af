#include "registry/RegScan.h"

#include "registry/RegChecks.h"

namespace quorvel::registry {

TRegScan::TRegScan(RegFindings& findings, core::StatusSink& status, const core::Context& context,
                   core::UiBridge& bridge, const TGlobalReg& ignoreLists)
    : Worker(bridge),
      findings_(findings),
      status_(status),
      context_(context),
      ignoreLists_(ignoreLists),
      maxChars_(status.widthChars()) {}

// The thread must end before the members it uses go.
TRegScan::~TRegScan() {
    stopAndJoin();
}

void TRegScan::execute() {
    ScanRun run(context_, *this);
    for (std::size_t step = 0; step < kRegChecks.size(); ++step) {
        if (step > 0) {
            if (stopRequested()) break;
            run.setProgressBase(run.progressBase() + 100.0 / ScanRun::kStepCount);
        }
        kRegChecks[step](run);
    }
}

void TRegScan::reportProgress(int position, std::string_view text) {
    if (stopRequested()) return;
    if (static_cast<int>(text.size()) <= maxChars_) {
        status_.publish(text, position);  // short enough in bytes, so in characters too
    } else {
        status_.publish(core::ShortenTail(text, maxChars_), position);
    }
}

void TRegScan::addFinding(TRegData finding) {
    sync([&] {
        if (IsIgnored(ignoreLists_, finding.RootKey, finding.KeyPath, finding.ValueName,
                      finding.Data)) {
            return;
        }
        findings_.push_back(std::move(finding));
    });
}

void TRegScan::rendezvous() {
    sync([] {});
}

}  // namespace quorvel::registry
