#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace platform {
class ReadProgress;
}

/// The progress of opening a file that takes a while: window-modal over the
/// main window, with the file's name, what the reader says it is doing
/// ("Recognising page 3 of 40"), the share done (a moving bar while the
/// reader cannot tell) and Cancel. Escape and the close box cancel too.
/// It shows the progress it is given; whoever shows it does the waiting.
class frmReadProgress final : public QDialog {
    Q_OBJECT

public:
    frmReadProgress(const platform::ReadProgress& progress, const QString& fileName,
                    QWidget* parent);

    /// Shows the reader's latest share and text.
    void refresh();
    void reject() override;

signals:
    /// Cancel, Escape or the close box.
    void cancelRequested();

private:
    const platform::ReadProgress& m_progress;
    QLabel* lblFile = nullptr;
    QLabel* lblStep = nullptr;
    QProgressBar* prgDone = nullptr;
    QPushButton* cmdCancel = nullptr;
};
