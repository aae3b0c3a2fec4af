#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "support/MachineBuilder.h"
#include "ui/AppSession.h"
#include "ui/Launcher.h"

namespace quorvel::ui::testing {

// The folder with languages/, skins/, help/ and data/ beside the built executables.
inline std::filesystem::path ProgramDir() {
    if (const char* dir = std::getenv("QUORVEL_BIN_DIR")) return dir;
    return std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
}

// A session of the desktop program on a machine built in a temporary folder.
class SessionTest : public ::testing::Test {
protected:
    void makeSession(std::vector<std::string> arguments = {}) {
        session_.reset();
        session_ = std::make_unique<AppSession>(
            builder_.build(), AppSession::Options{ProgramDir(), builder_.prefix(), arguments});
    }
    AppSession& session() {
        if (!session_) makeSession();
        return *session_;
    }

    quorvel::testing::MachineBuilder builder_;
    std::unique_ptr<AppSession> session_;
};

// Runs the event loop until done() or about five seconds passed; returns done().
template <class Done>
bool SpinUntil(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// A launcher that opens and starts nothing and keeps what it was asked to.
struct LauncherLog {
    struct Start {
        QString program;
        QStringList arguments, environment;
    };
    std::vector<QUrl> opened;
    std::vector<Start> started;
    Launcher launcher() {
        return {[this](const QUrl& url) { return opened.push_back(url), true; },
                [this](const QString& program, const QStringList& args, const QStringList& env) {
                    return started.push_back({program, args, env}), true;
                }};
    }
};

// What `get` says of each item, e.g. whether it is ticked.
template <class Items, class Get>
std::vector<bool> Each(const Items& items, Get get) {
    std::vector<bool> out;
    for (const auto& item : items)
        out.push_back(get(item));
    return out;
}

// A results window opened twice over the same findings: `change` made in it is dropped by
// Cancel and kept by OK; `ticks` reads the findings after each.
template <class Window, class... Args>
void ExpectOnlyOkKeeps(const std::function<void(Window&)>& change,
                       const std::function<std::vector<bool>()>& ticks,
                       const std::vector<bool>& afterOk, Args&... args) {
    const std::vector<bool> before = ticks();
    {
        Window window(args...);
        change(window);
        window.reject();
    }
    EXPECT_EQ(ticks(), before) << "Cancel keeps them";
    {
        Window window(args...);
        change(window);
        window.accept();
        EXPECT_EQ(window.result(), QDialog::Accepted);
    }
    EXPECT_EQ(ticks(), afterOk);
}

}  // namespace quorvel::ui::testing
