#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace platform {
class AudioFileConversion;
}

/// The progress of "Convert to Audio File": window-modal over the main
/// window, which stays painted, with the share of the text done, the time
/// elapsed and left, and Cancel. Escape and the close box cancel too.
class frmConvertProgress final : public QDialog {
    Q_OBJECT

public:
    frmConvertProgress(platform::AudioFileConversion& conversion, const QString& fileName,
                       QWidget* parent);

    /// Shows the dialog until the conversion is done or cancelled; true when
    /// it was cancelled.
    bool run();

    void reject() override;

private:
    void tmrPoll_Timer();

    QLabel* lblFile = nullptr;
    QProgressBar* prgDone = nullptr;
    QLabel* lblElapsed = nullptr;
    QLabel* lblRemaining = nullptr;
    QPushButton* cmdCancel = nullptr;

    platform::AudioFileConversion& m_conversion;
    QTimer* tmrPoll = nullptr;
    QElapsedTimer m_started;
    bool m_cancelled = false;
};
