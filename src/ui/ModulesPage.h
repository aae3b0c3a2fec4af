#pragma once

#include <QLabel>
#include <QStackedWidget>
#include <array>
#include <vector>

#include "ui/Launcher.h"
#include "ui/SkinButton.h"
#include "ui/SkinnedPage.h"

namespace quorvel::ui {

// The tools page: five groups of tools for the machine, each tool a program of the machine's
// Wine installation started on the machine's prefix. The group shown last is remembered in the
// program key's Current Page. Without Wine the tool buttons are disabled and say why.
class Tfrmmodules : public SkinnedPage {
    Q_OBJECT
public:
    struct Tool {
        const char* name;
        const char* description;
        const char* program;  // run as "wine <program>"
    };
    struct Group {
        const char* name;
        std::vector<Tool> tools;
    };
    static const std::array<Group, 5>& groups();

    Tfrmmodules(AppSession& session, Launcher launcher, QWidget* parent);

    void retranslate() override;
    void applySkin() override;
    int currentGroup() const { return current_; }
    void showGroup(int index);
    // Starts a tool of the shown group; false when it cannot start.
    bool startTool(int toolIndex);

private:
    Launcher launcher_;
    QString wine_;
    int current_ = 0;
    std::array<SkinButton*, 5> groupButtons_{};
    QStackedWidget* stack_ = nullptr;
    std::vector<QWidget*> toolButtons_;
};

}  // namespace quorvel::ui
