#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <functional>

#include "ui/AppSession.h"

namespace quorvel::ui {

// Options of the automatic one-click pass: only scan, or scan and repair. The restore-point
// option is kept hidden and carried through unchanged. OK stores both values; Cancel stores
// nothing. The tracks button shows only when a tracks selection window is available.
class TfrmAutocareOptions : public QDialog {
    Q_OBJECT
public:
    using TracksWindow = std::function<void(QWidget* parent)>;

    explicit TfrmAutocareOptions(AppSession& session, TracksWindow tracks = {},
                                 QWidget* parent = nullptr);

    QRadioButton* rbscan() const { return rbscan_; }
    QRadioButton* rbscanfix() const { return rbscanfix_; }
    QCheckBox* cbRestorepoint() const { return cbRestorepoint_; }
    QPushButton* btnTracks() const { return btnTracks_; }

public slots:
    void btnOKClick();
    void btnTracksClick();

private:
    void FormCreate();

    AppSession& session_;
    TracksWindow tracks_;
    QGroupBox* GroupBox1_ = nullptr;
    QRadioButton* rbscan_ = nullptr;
    QRadioButton* rbscanfix_ = nullptr;
    QCheckBox* cbRestorepoint_ = nullptr;
    QPushButton* btnTracks_ = nullptr;
    QPushButton* btnOK_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
};

}  // namespace quorvel::ui
