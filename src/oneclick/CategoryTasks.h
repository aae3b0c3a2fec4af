#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/Context.h"
#include "core/threads/StatusSink.h"
#include "core/threads/UiBridge.h"
#include "core/threads/Worker.h"
#include "oneclick/ScanCategory.h"

namespace quorvel::oneclick {

// What a run hands the threads it creates. Everything lives as long as the run.
struct RunTools {
    const core::Context& context;
    core::UiBridge& bridge;
    core::StatusSink& status;
    // The backup entry of this repair ("" when none was started); backing-up repairs write
    // their category file into it.
    const std::string& currentBackupId;
};

// One category as the run sees it: its findings list, and factories for its scanner and its
// repair thread. A category plugs into the pass by providing one of these; the run itself never
// changes. All calls come on the UI thread.
class CategoryTasks {
public:
    virtual ~CategoryTasks() = default;

    // Empties the category's findings list (start of every scan).
    virtual void clearFindings() = 0;
    // A new scanner, not yet started; nullptr when the category has none yet (it then scans as
    // "nothing found").
    virtual std::unique_ptr<core::Worker> createScanner(const RunTools& tools) = 0;
    // A new repair thread for the selected findings, not yet started; nullptr when the category
    // cannot repair yet (its findings are then left alone).
    virtual std::unique_ptr<core::Worker> createRepair(const RunTools& tools) = 0;
    // The scanner has ended and is about to be destroyed (it may hold counts of its own).
    virtual void scanEnded(core::Worker& /*scanner*/) {}
    // The repair thread has ended: why it left findings alone, "" when it did not.
    virtual std::string repairEnded(core::Worker& /*repair*/) { return {}; }

    // Entries of the findings list (Tracks: lines of its text report).
    virtual std::int64_t listCount() const = 0;
    // The count the result label shows and the problem total adds.
    virtual std::int64_t resultCount() const { return listCount(); }
    // The size sum of the findings in bytes (Junk); 0 for the others.
    virtual std::int64_t sizeSum() const { return 0; }
    virtual bool hasSomethingToRepair() const { return listCount() > 0; }
};

// The tasks of the six categories, by Index(category).
using CategorySet = std::array<std::unique_ptr<CategoryTasks>, kCategoryCount>;

// A category whose scanner and repair are not built yet: it scans as "nothing found".
class PendingCategory final : public CategoryTasks {
public:
    void clearFindings() override {}
    std::unique_ptr<core::Worker> createScanner(const RunTools&) override { return nullptr; }
    std::unique_ptr<core::Worker> createRepair(const RunTools&) override { return nullptr; }
    std::int64_t listCount() const override { return 0; }
};

}  // namespace quorvel::oneclick
