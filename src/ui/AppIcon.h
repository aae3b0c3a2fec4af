#pragma once

#include <QIcon>
#include <filesystem>

#include "ui/Skin.h"

namespace quorvel::ui {

// The program's icon: the skin's [files] appicon, else the Default skin's, else a drawn mark.
QIcon AppIcon(const Skin& skin, const std::filesystem::path& programDir);

// The icon turned by angle degrees: the frames of the tray animation during an unattended run.
QIcon AppIconFrame(const QIcon& icon, int angle);

}  // namespace quorvel::ui
