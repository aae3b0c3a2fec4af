#pragma once

#include "core/Context.h"
#include "core/threads/UiBridge.h"
#include "core/threads/Worker.h"

namespace quorvel::backup {

// The housekeeping thread started with the main window: moves the sibling tools' backups into
// the store, then prunes it by age (BackupsDelete) and by count (BackupsMax). Touches files
// only; honours a stop request between entries.
class TPrepare final : public core::Worker {
public:
    TPrepare(const core::Context& context, core::UiBridge& bridge);
    ~TPrepare() override;

    int imported() const { return imported_; }
    int removed() const { return removed_; }

protected:
    void execute() override;

private:
    const core::Context& context_;
    int imported_ = 0;
    int removed_ = 0;
};

}  // namespace quorvel::backup
