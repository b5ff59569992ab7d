#pragma once

#include "nuvafetch/pageframe.h"

/// Page 3: downloads the product's installer beside the updater and starts
/// it on Install.
class frmUpdate final : public PageFrame {
    Q_OBJECT
public:
    explicit frmUpdate(Wizard& wizard);

    /// Shows the page and downloads the installer.
    void load() override;

private:
    QLabel* imgDL;
    QLabel* imgComplete;
    QLabel* imgFail;
    QLabel* lblStatus;

    void downloaded();
    /// The failure outcome; a reason adds a second line.
    void failed(const QString& reason = {});
    void cmdExit_Click();
};
