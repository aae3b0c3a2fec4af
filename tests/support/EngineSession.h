#pragma once

#include <filesystem>
#include <memory>
#include <utility>

#include "core/Context.h"
#include "core/environment/InitGlobals.h"
#include "core/environment/ProtectedFolders.h"
#include "core/language/LanguageTable.h"
#include "core/threads/HeadlessUiBridge.h"
#include "core/threads/StatusSink.h"
#include "core/threads/Worker.h"
#include "platform/Machine.h"

namespace quorvel::testing {

// What the engine's workers run with on one machine: the environment record filled as the
// program fills it (from programDir's data and language files), the context, a headless bridge
// and a status sink. run() takes a worker from its start to its end on a worker thread.
class EngineSession {
public:
    EngineSession(platform::Machine& machine, const std::filesystem::path& programDir)
        : context{machine, globals, language, protectedFolders} {
        core::InitGlobals(machine, programDir, globals, language);
    }
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    template <class W, class... Args>
    W& run(Args&&... args) {
        worker_ = std::make_unique<W>(std::forward<Args>(args)...);
        worker_->start();
        worker_->wait();
        return static_cast<W&>(*worker_);
    }

    core::TGlobalVars globals;
    core::LanguageTable language;
    core::ProtectedFolders protectedFolders;
    core::Context context;
    core::HeadlessUiBridge bridge;
    core::StatusSink status;

private:
    std::unique_ptr<core::Worker> worker_;
};

}  // namespace quorvel::testing
