#include "parlivox/speech/frmConvertProgress.h"

#include "parlivox/speech/logic/audiofilerules.h"
#include "platform/speech/voice.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
/// Often enough for a moving bar and a Cancel that is felt at once.
constexpr int pollMs = 50;
} // namespace

frmConvertProgress::frmConvertProgress(platform::AudioFileConversion& conversion,
                                       const QString& fileName, QWidget* parent)
    : QDialog(parent), m_conversion(conversion)
{
    setObjectName(u"frmConvertProgress"_s);
    setWindowTitle(u"Convert to Audio File"_s);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowModality(Qt::WindowModal);

    lblFile = new QLabel(u"Saving the speech to "_s + fileName + u"..."_s, this);
    lblFile->setObjectName(u"lblFile"_s);
    lblFile->setTextFormat(Qt::PlainText); // a file name is never HTML
    prgDone = new QProgressBar(this);
    prgDone->setObjectName(u"prgDone"_s);
    prgDone->setRange(0, 1000);
    prgDone->setFormat(u"%p%"_s);
    prgDone->setMinimumWidth(360);
    lblElapsed = new QLabel(this);
    lblElapsed->setObjectName(u"lblElapsed"_s);
    lblRemaining = new QLabel(this);
    lblRemaining->setObjectName(u"lblRemaining"_s);
    lblRemaining->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cmdCancel = new QPushButton(u"Cancel"_s, this);
    cmdCancel->setObjectName(u"cmdCancel"_s);
    connect(cmdCancel, &QPushButton::clicked, this, &frmConvertProgress::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(lblFile, 0, 0, 1, 2);
    layout->addWidget(prgDone, 1, 0, 1, 2);
    layout->addWidget(lblElapsed, 2, 0);
    layout->addWidget(lblRemaining, 2, 1);
    layout->addWidget(cmdCancel, 3, 1, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    tmrPoll = new QTimer(this);
    tmrPoll->setObjectName(u"tmrPoll"_s);
    tmrPoll->setInterval(pollMs);
    connect(tmrPoll, &QTimer::timeout, this, &frmConvertProgress::tmrPoll_Timer);
}

bool frmConvertProgress::run()
{
    m_started.start();
    tmrPoll_Timer();
    if (m_conversion.isDone())
        return false;
    tmrPoll->start();
    exec();
    tmrPoll->stop();
    return m_cancelled;
}

void frmConvertProgress::reject()
{
    // Stops the threads and removes the unfinished file before the dialog goes.
    if (!m_conversion.isDone()) {
        m_conversion.cancel();
        m_cancelled = true;
    }
    QDialog::reject();
}

void frmConvertProgress::tmrPoll_Timer()
{
    if (m_conversion.isDone()) {
        tmrPoll->stop();
        if (isVisible())
            accept();
        return;
    }
    const double share = m_conversion.progress();
    const double elapsed = double(m_started.elapsed()) / 1000.0;
    prgDone->setValue(int(share * 1000));
    lblElapsed->setText(u"Elapsed: "_s + audiofilerules::durationText(elapsed));
    const auto remaining = audiofilerules::remainingSeconds(elapsed, share);
    lblRemaining->setText(remaining ? u"Remaining: "_s + audiofilerules::durationText(*remaining)
                                    : u"Remaining: estimating..."_s);
}
