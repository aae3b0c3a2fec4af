// The desktop program: one window per user and machine, hidden in the tray with /autostart.
#include <QApplication>
#include <QMessageBox>

#include "ConsoleStart.h"
#include "core/paths/ResourceFolder.h"
#include "core/settings/ProgramSettings.h"
#include "ui/AppSession.h"
#include "ui/MainHooks.h"
#include "ui/MainWindow.h"
#include "ui/ProgramStart.h"
#include "ui/SingleInstance.h"

using namespace quorvel;

int main(int argc, char** argv) {
    if (const auto answered = vantrel::AnswerOnConsole(argc, argv)) return *answered;
    QApplication app(argc, argv);
    // Hidden in the tray the program has no visible window; it ends when the main window closes.
    app.setQuitOnLastWindowClosed(false);
    const std::filesystem::path programDir =
        core::ResourceFolder(QCoreApplication::applicationDirPath().toStdString());
    const ui::StartArguments start = ui::ParseStartArguments(QCoreApplication::arguments());

    ui::OpenedMachine opened = ui::OpenSelectedMachine(start, programDir);
    if (!opened.machine) {
        QMessageBox::critical(nullptr, QStringLiteral("Quorvel Utilities"), opened.error);
        return 0;
    }
    ui::AppSession session(std::move(opened.machine), {programDir, opened.prefix, start.arguments});

    // A second start shows the first instance's window and ends, whatever its switches.
    ui::SingleInstance instance;
    if (!instance.claim()) {
        session.flush();
        return 0;
    }
    core::RestorePortableSettings(session.settings(), session.globals().IsPortable);
    session.flush();

    ui::Tfrmmain window(session, ui::MakeMainHooks(session));
    QObject::connect(&instance, &ui::SingleInstance::activationRequested, &window,
                     &ui::Tfrmmain::showFromTray);
    QObject::connect(&window, &ui::Tfrmmain::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.FormShow(session.firstArgumentIs("/autostart"));
    app.exec();
    return 0;
}
