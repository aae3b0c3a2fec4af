#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <memory>

namespace quorvel::ui {

// One running program per user and machine. The first instance listens on a local socket whose
// name is derived from the user and the host; a later start connects, sends the activation
// message and ends. A socket left behind by a crashed instance is taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The socket name for this user on this machine, made of letters, digits and dashes.
    static QString socketName(const QString& scope = {});

    // scope separates independent groups (tests); empty for the program.
    explicit SingleInstance(QString scope = {}, QObject* parent = nullptr);

    // Tries to become the first instance. False when another instance is running and was told to
    // show its window; this process should then end.
    bool claim();
    bool isPrimary() const { return server_ != nullptr; }

signals:
    // A second start asked this instance to show its window.
    void activationRequested();

private:
    bool signalRunningInstance() const;

    QString name_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace quorvel::ui
