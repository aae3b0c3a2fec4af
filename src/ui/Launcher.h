#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace quorvel::ui {

// How windows hand work to the desktop: open a document or web page in the user's programs,
// start a detached program. Tests replace both to see what would have been opened.
struct Launcher {
    std::function<bool(const QUrl&)> openUrl;
    std::function<bool(const QString& program, const QStringList& arguments,
                       const QStringList& environment)>
        startDetached;

    // QDesktopServices and QProcess.
    static Launcher system();
};

}  // namespace quorvel::ui
