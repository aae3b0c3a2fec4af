#include "ui/OneClickWindow.h"
#include "core/paths/ResourceFolder.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "oneclick/OneClickSettings.h"
#include "ui/AppSession.h"
#include "ui/Display.h"
#include "ui/OneClickPageDriver.h"
#include "ui/ProgramStart.h"

namespace quorvel::ui {

namespace {
constexpr int kUnattendedDelayMs = 1000;
}

bool WantsOneClickWindow() {
    if (qEnvironmentVariableIntValue("QUORVEL_HEADLESS") != 0) return false;
    return HasWindowSystem();
}

int RunOneClickWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const std::filesystem::path programDir =
        core::ResourceFolder(QCoreApplication::applicationDirPath().toStdString());
    const StartArguments start = ParseStartArguments(QCoreApplication::arguments());
    OpenedMachine opened = OpenSelectedMachine(start, programDir);
    if (!opened.machine) {
        QMessageBox::critical(nullptr, QStringLiteral("Quorvel Utilities"), opened.error);
        return 0;
    }
    AppSession session(std::move(opened.machine), {programDir, opened.prefix, start.arguments});
    const bool unattended = oneclick::IsScheduleStart(start.arguments);

    Tfrmoneclick page(session, nullptr);
    page.setHosted(false);
    page.setFixedSize(582, 320);
    page.setWindowIcon(page.trayIcon()->icon());
    OneClickPageDriver& driver = OneClickPageDriver::Attach(session, page, Launcher::system());
    driver.setCloseHandler([&] {
        page.close();
        app.quit();
    });
    // The tray icon shows the window again.
    QObject::connect(page.trayIcon(), &QSystemTrayIcon::activated, &page, [&] {
        page.showNormal();
        page.raise();
    });

    if (unattended) {
        // Timer2: the unattended pass, from the tray.
        QTimer::singleShot(kUnattendedDelayMs, &page, [&] {
            page.setTrayVisible(true);
            page.hide();
            page.setCancelEnabled(true);
            driver.run().runUnattended(oneclick::LoadScanFix(session.machine().registry()));
            session.flush();
        });
    } else {
        page.setTrayVisible(true);
        page.show();
    }
    // A page closed by its window frame ends the program when no pass waits in the tray.
    class CloseWatcher : public QObject {
    public:
        CloseWatcher(Tfrmoneclick& page, QApplication& app, bool unattended)
            : page_(page), app_(app), unattended_(unattended) {}
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (watched == &page_ && event->type() == QEvent::Close && !unattended_)
                QTimer::singleShot(0, &app_, &QCoreApplication::quit);
            return false;
        }

    private:
        Tfrmoneclick& page_;
        QApplication& app_;
        bool unattended_;
    } watcher(page, app, unattended);
    page.installEventFilter(&watcher);
    app.exec();
    session.flush();
    return 0;
}

}  // namespace quorvel::ui
