#pragma once

#include <string>

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/InternetCache.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/Status.h"
#include "platform/WriteLock.h"

namespace quorvel::platform {

// The services of one Windows environment. Every engine object is handed the machine it works
// on; nothing reaches the operating system any other way.
class Machine {
public:
    virtual ~Machine() = default;

    virtual Registry& registry() = 0;
    virtual FileSystem& fileSystem() = 0;
    virtual Environment& environment() = 0;
    virtual Shell& shell() = 0;
    virtual InternetCache& internetCache() = 0;

    // LockFileEx on the machine's lock file: the write lock every command and window takes
    // before it changes the machine. Taken again by the holder it succeeds at once (a repair
    // inside a command that already holds it). Fails with SharingViolation, naming the holder,
    // when another program keeps it longer than `wait.patience`.
    virtual Result<WriteLockPtr> lockForWriting(const LockWait& wait = {}) = 0;

    // Where the machine lives, for people (the prefix folder on Linux).
    virtual std::string displayName() const = 0;
};

}  // namespace quorvel::platform
