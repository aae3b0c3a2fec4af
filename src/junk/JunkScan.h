#pragma once

#include <cstdint>
#include <string>

#include "core/Context.h"
#include "core/threads/StatusSink.h"
#include "core/threads/UiBridge.h"
#include "core/threads/Worker.h"
#include "junk/JunkData.h"

namespace quorvel::junk {

// The junk category's scanner thread: one record per category (recycle bin, temporary files,
// Internet cache), each appended on the UI thread. It deletes nothing. Progress goes to the
// status sink once per hundred items. A stop is honoured between categories, folder entries and
// cache entries; the recycle-bin record is always added, the temporary-files record whenever its
// walk started.
class TJunkScan final : public core::Worker {
public:
    TJunkScan(JunkFindings& findings, core::StatusSink& status, const core::Context& context,
              core::UiBridge& bridge);
    ~TJunkScan() override;

protected:
    void execute() override;

private:
    void addRecord(JunkCategory category, std::int64_t size, std::int64_t count);
    void counted(const std::string& path);

    JunkFindings& findings_;
    core::StatusSink& status_;
    const core::Context& context_;
    double progressBase_ = 0;
    std::int64_t itemCounter_ = 0;
    int position_ = 0;
};

}  // namespace quorvel::junk
