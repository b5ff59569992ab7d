#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace platform {
class ReadProgress;
}

/// The progress of opening a file that takes a while: window-modal over the
/// main window, with the file's name, what the reader says it is doing
/// ("Recognising page 3 of 40"), the time taken and, once the share done
/// tells, the time left; the share done (a moving bar while the
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
    QLabel* lblTime = nullptr;
    QElapsedTimer m_elapsed;
    QProgressBar* prgDone = nullptr;
    QPushButton* cmdCancel = nullptr;
};
