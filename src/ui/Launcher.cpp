#include "ui/Launcher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QProcessEnvironment>

namespace quorvel::ui {

Launcher Launcher::system() {
    Launcher launcher;
    launcher.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    launcher.startDetached = [](const QString& program, const QStringList& arguments,
                                const QStringList& environment) {
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& entry : environment) {
            const qsizetype eq = entry.indexOf(QLatin1Char('='));
            if (eq > 0) env.insert(entry.left(eq), entry.mid(eq + 1));
        }
        process.setProcessEnvironment(env);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        return process.startDetached();
    };
    return launcher;
}

}  // namespace quorvel::ui
