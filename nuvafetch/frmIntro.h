#pragma once

#include "nuvafetch/pageframe.h"

/// Page 1: the welcome page, naming the product the descriptor gives.
class frmIntro final : public PageFrame {
    Q_OBJECT
public:
    explicit frmIntro(Wizard& wizard);

    /// Reads the descriptor; an unreadable one ends the updater with the
    /// "Critical Error" box.
    void load() override;

private:
    QLabel* lblWelcome;
    QLabel* lblDesc;
    QLineEdit* txtProduct;
    QLabel* lblNote;
    QLabel* Label1;

    void cmdNext_Click();
    void cmdExit_Click();
};
