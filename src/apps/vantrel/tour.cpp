// Screenshot tour of the desktop program: shows the main window's pages, the options dialog and
// the registry results window on the machine given with --machine, and saves a PNG of the whole
// screen (with the tray) for each into the folder given with --out.
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "core/paths/ResourceFolder.h"
#include "ui/AppSession.h"
#include "ui/AutocareOptionsDialog.h"
#include "ui/MainHooks.h"
#include "ui/MainWindow.h"
#include "ui/OneClickPage.h"
#include "ui/ProgramStart.h"
#include "ui/RegistryResultsWindow.h"
#include "ui/SkinCatalog.h"

using namespace quorvel;

namespace {

void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void shoot(const QDir& out, const QString& name, QWidget* focus, int settleMs = 400) {
    if (settleMs > 0) settle(settleMs);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QScreen* screen = QGuiApplication::primaryScreen();
    QPixmap picture = screen->grabWindow(0);
    if (picture.isNull() && focus) picture = focus->grab();
    const QString file = out.filePath(name + QStringLiteral(".png"));
    picture.save(file);
    if (focus) focus->grab().save(out.filePath(name + QStringLiteral("-window.png")));
    std::printf("%s\n", file.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QStringList args = QCoreApplication::arguments();
    QString outDir = QStringLiteral("screenshots");
    const qsizetype outAt = args.indexOf(QStringLiteral("--out"));
    if (outAt > 0 && outAt + 1 < args.size()) {
        outDir = args[outAt + 1];
        args.remove(outAt, 2);
    }
    QDir out(outDir);
    out.mkpath(QStringLiteral("."));
    const std::filesystem::path programDir =
        core::ResourceFolder(QCoreApplication::applicationDirPath().toStdString());
    const ui::StartArguments start = ui::ParseStartArguments(args);
    ui::OpenedMachine opened = ui::OpenSelectedMachine(start, programDir);
    if (!opened.machine) {
        std::fprintf(stderr, "%s\n", opened.error.toLocal8Bit().constData());
        return 1;
    }
    ui::AppSession session(std::move(opened.machine), {programDir, opened.prefix, {}});
    ui::Tfrmmain window(session, ui::MakeMainHooks(session));
    window.FormShow(false);

    window.btnStatusClick();
    shoot(out, QStringLiteral("01-status"), &window);
    window.btnoneclickClick();
    shoot(out, QStringLiteral("02-oneclick"), &window);
    window.btnmodulesClick();
    shoot(out, QStringLiteral("03-tools"), &window);
    window.btnoneclickClick();

    {
        ui::TfrmAutocareOptions options(session, {}, &window);
        options.show();
        shoot(out, QStringLiteral("05-options"), &options);
    }

    // A scan through the one-click engine, shot while it runs and when it has ended.
    window.btnoneclickClick();
    if (auto* page = dynamic_cast<ui::Tfrmoneclick*>(window.page(core::PageIndex::OneClick))) {
        bool shotWhileRunning = false;
        QTimer::singleShot(20, page, [&] {
            shotWhileRunning = true;
            shoot(out, QStringLiteral("04-oneclick-scanning"), &window, 0);
        });
        page->btnStartClick();
        if (!shotWhileRunning) settle(100);
        shoot(out, QStringLiteral("04-oneclick-after-scan"), &window);
    }
    {
        ui::TfrmRegistry results(session, ui::Launcher::system(), &window);
        results.show();
        shoot(out, QStringLiteral("06-registry-results"), &results);
        results.popupMenu()->popup(results.tree()->viewport()->mapToGlobal(QPoint(60, 20)));
        shoot(out, QStringLiteral("07-registry-menu"), &results);
        results.popupMenu()->hide();
    }

    window.actmenuExecute();
    window.skinsMenu()->popup(window.mainMenu()->geometry().topRight());
    shoot(out, QStringLiteral("08-menu-skins"), &window);
    window.skinsMenu()->hide();
    window.mainMenu()->hide();

    for (const ui::SkinEntry& skin : ui::FindSkins(programDir)) {
        if (ui::SameSkinFile(skin.file, session.globals().SkinFile)) continue;
        window.chooseSkin(skin.file);
        window.btnoneclickClick();
        shoot(out, QStringLiteral("09-skin-") + skin.file.parent_path().filename().c_str(),
              &window);
        window.btnStatusClick();
        shoot(out, QStringLiteral("10-skin-status-") + skin.file.parent_path().filename().c_str(),
              &window);
    }
    window.close();
    return 0;
}
