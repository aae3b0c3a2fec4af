#pragma once

#include "core/threads/HeadlessUiBridge.h"
#include "core/threads/StatusSink.h"
#include "core/threads/Worker.h"

namespace quorvel::cli {

// Columns of the terminal on stderr; 80 when it is none.
int terminalColumns();

// Starts the worker and serves the bridge on this thread until it has finished. When stderr is a
// terminal, the worker's status line is drawn there as it goes ("[ 42%] text") and cleared at
// the end, so a long scan or repair shows it is at work.
void runWithProgress(core::HeadlessUiBridge& bridge, core::Worker& worker,
                     const core::StatusSink& status);

}  // namespace quorvel::cli
