#pragma once

#include "nuvafetch/pageframe.h"

/// Page 2: asks the update server for the current version and compares it
/// with the installed one.
class frmCheck final : public PageFrame {
    Q_OBJECT
public:
    explicit frmCheck(Wizard& wizard);

    /// Reads the product name afresh, shows the page and runs check_update.
    void load() override;
    /// Queries the server and sets the page's outcome: no update, update
    /// available or the connection error.
    void check_update();

private:
    QLabel* lblChecking;
    QLineEdit* txtProduct;
    QLabel* lblStatus;

    void noUpdate();
    void connectionError();
    QString fetchText(const QString& address);

    void cmdBack_Click();
    void cmdNext_Click();
    void cmdExit_Click();
};
