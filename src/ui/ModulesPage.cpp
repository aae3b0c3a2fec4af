#include "ui/ModulesPage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/settings/SettingsKeys.h"
#include "ui/RegistryEditor.h"
#include "ui/UiText.h"

namespace quorvel::ui {

const std::array<Tfrmmodules::Group, 5>& Tfrmmodules::groups() {
    static const std::array<Group, 5> kGroups{{
        {"System",
         {{"Wine Configuration", "Windows version, drives, graphics and libraries", "winecfg"},
          {"Control Panel", "The machine's control panel applets", "control"},
          {"Task Manager", "Programs and processes running on the machine", "taskmgr"},
          {"System Information", "Hardware and software summary", "msinfo32"}}},
        {"Registry",
         {{"Registry Editor", "Browse and edit the machine's registry", "regedit"},
          {"Command Prompt", "A command line on the machine", "cmd"}}},
        {"Files",
         {{"Explorer", "Browse the machine's drives and folders", "explorer"},
          {"Notepad", "Edit text and configuration files", "notepad"}}},
        {"Programs",
         {{"Uninstall Programs", "Remove programs installed on the machine", "uninstaller"},
          {"Installer Cleanup", "Repair or remove Windows Installer packages", "msiexec"}}},
        {"Internet",
         {{"Internet Explorer", "Wine's web browser", "iexplore"},
          {"Internet Options", "Proxy, history and cache settings", "inetcpl.cpl"}}},
    }};
    return kGroups;
}

Tfrmmodules::Tfrmmodules(AppSession& session, Launcher launcher, QWidget* parent)
    : SkinnedPage(session, parent),
      launcher_(std::move(launcher)),
      wine_(RegistryEditor::findWine()) {
    setObjectName(QStringLiteral("Tfrmmodules"));
    auto* side = new QVBoxLayout;
    side->setSpacing(6);
    stack_ = new QStackedWidget(this);
    for (int g = 0; g < 5; ++g) {
        groupButtons_[g] = new SkinButton(this);
        groupButtons_[g]->setFixedSize(130, 30);
        side->addWidget(groupButtons_[g]);
        connect(groupButtons_[g], &QAbstractButton::clicked, this, [this, g] { showGroup(g); });

        auto* panel = new QWidget(stack_);
        auto* grid = new QGridLayout(panel);
        grid->setSpacing(10);
        const auto& tools = groups()[g].tools;
        for (int t = 0; t < static_cast<int>(tools.size()); ++t) {
            // A tile: the tool's name in bold over its description, both wrapped.
            auto* button = new QPushButton(panel);
            button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            button->setFixedHeight(70);
            auto* tile = new QVBoxLayout(button);
            tile->setContentsMargins(10, 6, 10, 6);
            auto* name = new QLabel(QString::fromLatin1(tools[t].name), button);
            QFont bold = name->font();
            bold.setBold(true);
            name->setFont(bold);
            auto* description = new QLabel(QString::fromLatin1(tools[t].description), button);
            description->setWordWrap(true);
            for (QLabel* label : {name, description})
                label->setAttribute(Qt::WA_TransparentForMouseEvents);
            tile->addWidget(name);
            tile->addWidget(description, 1);
            connect(button, &QPushButton::clicked, this, [this, t] { startTool(t); });
            grid->addWidget(button, t / 2, t % 2);
            toolButtons_.push_back(button);
        }
        grid->setRowStretch(2, 1);
        stack_->addWidget(panel);
    }
    side->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(14);
    layout->addLayout(side);
    layout->addWidget(stack_, 1);

    const QString unavailable =
        wine_.isEmpty()
            ? QStringLiteral("Wine is not installed.")
            : (session_.prefix() ? QString()
                                 : QStringLiteral("This machine is not a Wine prefix."));
    for (QWidget* button : toolButtons_) {
        button->setEnabled(unavailable.isEmpty());
        button->setToolTip(unavailable);
    }
    const std::int32_t stored =
        session_.settings()
            .readInteger(platform::RootKey::CurrentUser, core::keys::kProgram, "Current Page")
            .value_or(0);
    showGroup(stored >= 0 && stored < 5 ? stored : 0);
}

void Tfrmmodules::showGroup(int index) {
    if (index < 0 || index >= 5) return;
    current_ = index;
    stack_->setCurrentIndex(index);
    for (int g = 0; g < 5; ++g)
        groupButtons_[g]->setSelected(g == index);
    session_.settings().writeInteger(platform::RootKey::CurrentUser, core::keys::kProgram,
                                     "Current Page", index);
}

bool Tfrmmodules::startTool(int toolIndex) {
    const auto& tools = groups()[current_].tools;
    if (toolIndex < 0 || toolIndex >= static_cast<int>(tools.size())) return false;
    if (wine_.isEmpty() || !session_.prefix()) return false;
    const QString prefix = QString::fromStdString(session_.prefix()->string());
    return launcher_.startDetached(wine_, {QString::fromLatin1(tools[toolIndex].program)},
                                   {QStringLiteral("WINEPREFIX=") + prefix});
}

void Tfrmmodules::retranslate() {
    for (int g = 0; g < 5; ++g)
        groupButtons_[g]->setText(QString::fromLatin1(groups()[g].name));
}

void Tfrmmodules::applySkin() {
    SkinnedPage::applySkin();
    const Skin& skin = session_.skin();
    for (SkinButton* button : groupButtons_) {
        button->setImages(skin.image("tabnormal"), skin.image("tabhover"), skin.image("tabdown"));
        button->setTextColors(skin.color("normal", Qt::black), skin.color("highlight", Qt::black));
    }
}

}  // namespace quorvel::ui
