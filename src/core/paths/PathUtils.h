#pragma once

// Every path and text helper of the core at once, for files that use several of them. Each topic
// has its own header: include that where one topic is enough.
#include "core/paths/CommandTarget.h"
#include "core/paths/FormatSize.h"
#include "core/paths/PathVars.h"
#include "core/paths/ProtectedPath.h"
#include "core/paths/RootKeyNames.h"
#include "core/paths/TextParts.h"
