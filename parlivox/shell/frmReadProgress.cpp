#include "parlivox/shell/frmReadProgress.h"

#include "platform/documents/readprogress.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

/// "0:07", "12:40", "1:02:05"
QString duration(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    const QString minutesAndSeconds =
        u"%1:%2"_s.arg(seconds / 60 % 60).arg(seconds % 60, 2, 10, QChar(u'0'));
    if (seconds < 3600)
        return minutesAndSeconds;
    return u"%1:%2"_s.arg(seconds / 3600).arg(minutesAndSeconds.rightJustified(5, u'0'));
}

} // namespace

frmReadProgress::frmReadProgress(const platform::ReadProgress& progress, const QString& fileName,
                                 QWidget* parent)
    : QDialog(parent), m_progress(progress)
{
    setObjectName(u"frmReadProgress"_s);
    setWindowTitle(u"Open"_s);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowModality(Qt::WindowModal);

    // The name comes from the file system: shown as it is, never as markup.
    lblFile = new QLabel(u"Opening \""_s + fileName + u"\"..."_s, this);
    lblFile->setObjectName(u"lblFile"_s);
    lblFile->setTextFormat(Qt::PlainText);
    lblStep = new QLabel(this);
    lblStep->setObjectName(u"lblStep"_s);
    lblStep->setTextFormat(Qt::PlainText);
    lblTime = new QLabel(this);
    lblTime->setObjectName(u"lblTime"_s);
    prgDone = new QProgressBar(this);
    prgDone->setObjectName(u"prgDone"_s);
    prgDone->setRange(0, 0);
    prgDone->setMinimumWidth(360);
    cmdCancel = new QPushButton(u"Cancel"_s, this);
    cmdCancel->setObjectName(u"cmdCancel"_s);
    connect(cmdCancel, &QPushButton::clicked, this, &frmReadProgress::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(lblFile, 0, 0);
    layout->addWidget(lblStep, 1, 0);
    layout->addWidget(prgDone, 2, 0);
    layout->addWidget(lblTime, 3, 0);
    layout->addWidget(cmdCancel, 4, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_elapsed.start();
    refresh();
}

void frmReadProgress::refresh()
{
    const double done = m_progress.done();
    if (done < 0) {
        prgDone->setRange(0, 0); // a moving bar: the reader cannot tell how far it is
    } else {
        prgDone->setRange(0, 1000);
        prgDone->setValue(int(done * 1000));
    }
    const QString step = m_progress.text();
    if (lblStep->text() != step)
        lblStep->setText(step);
    lblStep->setVisible(!step.isEmpty());
    const qint64 elapsed = m_elapsed.elapsed();
    QString time = u"Elapsed "_s + duration(elapsed);
    // The time left is guessed from the pace so far, once there is one.
    if (done > 0.01 && done < 1 && elapsed > 1000)
        time += u", about "_s + duration(qint64(double(elapsed) * (1 - done) / done) + 999) +
                u" left"_s;
    lblTime->setText(time);
}

void frmReadProgress::reject()
{
    emit cancelRequested();
}
