#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "support/MachineBuilder.h"
#include "ui/AppSession.h"

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

}  // namespace quorvel::ui::testing
