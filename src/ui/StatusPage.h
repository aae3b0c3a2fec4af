#pragma once

#include <QLabel>
#include <QPushButton>

#include "ui/SkinnedPage.h"

namespace quorvel::ui {

// The status page: the program's version, the machine it maintains and what the automatic
// one-click pass does, with the button to its options.
class TfrmStatus : public SkinnedPage {
    Q_OBJECT
public:
    TfrmStatus(AppSession& session, QWidget* parent);

    void retranslate() override;
    void applySkin() override;

public slots:
    void btnOptionsClick();

private:
    void refresh();

    QLabel* lbHeading_ = nullptr;
    QLabel* lbFacts_ = nullptr;
    QLabel* lbAutomatic_ = nullptr;
    QPushButton* btnOptions_ = nullptr;
};

}  // namespace quorvel::ui
