#pragma once

#include <QString>
#include <filesystem>
#include <vector>

namespace quorvel::ui {

struct SkinEntry {
    std::filesystem::path file;  // the skin.ini
    QString description;         // its [Skin] Description; empty when it has none
};

// Every file named skin.ini (any letter case) in folder and all its subfolders, ordered by path.
// Folder links are not followed and unreadable folders are passed over.
std::vector<SkinEntry> FindSkins(const std::filesystem::path& folder);

// Whether two skin paths name the same file, compared without regard to case.
bool SameSkinFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace quorvel::ui
