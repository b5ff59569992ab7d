#pragma once

#include "platform/clock.h"
#include "platform/error.h"
#include "platform/fileio.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/helpviewer.h"
#include "platform/ui/keyboard.h"
#include "platform/ui/printer.h"
#include "platform/ui/process.h"

#include <QSet>
#include <QStringList>
#include <QTextDocument>

#include <optional>
#include <unistd.h>

/// A clipboard in memory: plain text, an RTF flag, or a picture only.
class FakeClipboard final : public platform::Clipboard {
public:
    bool hasText() override { return plain.has_value(); }
    bool hasRichText() override { return rich; }
    QString text() override { return plain.value_or(QString()); }
    void setText(const QString& text) override
    {
        plain = text;
        rich = false;
    }
    void clear() override
    {
        plain.reset();
        rich = false;
        ++clears;
    }

    std::optional<QString> plain;
    bool rich = false;
    int clears = 0;
};

/// A printer that keeps the plain text of what it printed.
class FakePrinter final : public platform::Printer {
public:
    QString defaultPrinterName() override
    {
        if (!installed)
            throw platform::Error(platform::err::Printer,
                                  QStringLiteral("Printer error: no default printer is set up"));
        return name;
    }
    void print(const QTextDocument& document) override
    {
        defaultPrinterName();
        printed.append(document.toPlainText());
    }

    QString name = QStringLiteral("Office Laser");
    bool installed = true;
    QStringList printed;
};

/// Records started programs; paths in `missing` raise 53, as a missing file does.
class FakeProcessStarter final : public platform::ProcessStarter {
public:
    void start(const QString& path) override
    {
        if (missing.contains(path) || missingAll)
            throw platform::Error(platform::err::FileNotFound, QStringLiteral("File not found"));
        if (failure)
            throw platform::Error(failure, QStringLiteral("Scripted failure"));
        started.append(path);
    }
    /// Records path, and the bytes the descriptor holds as the program.
    void startOpened(const platform::Descriptor& program, const QString& path) override
    {
        start(path);
        QByteArray bytes;
        char buffer[4096];
        off_t at = 0;
        for (ssize_t got; (got = ::pread(program.get(), buffer, sizeof buffer, at)) > 0; at += got)
            bytes.append(buffer, got);
        startedPrograms.append(bytes);
    }

    QStringList started;
    /// What startOpened would have run.
    QList<QByteArray> startedPrograms;
    QSet<QString> missing;
    bool missingAll = false;
    int failure = 0;
};

class FakeHelpViewer final : public platform::HelpViewer {
public:
    void showContents(const QString& helpFile) override { shown.append(helpFile); }
    QStringList shown;
};

class FakeKeyboard final : public platform::KeyboardIndicators {
public:
    bool capsLock() override { return caps; }
    bool numLock() override { return num; }
    bool caps = false;
    bool num = true;
};

class FakeClock final : public platform::Clock {
public:
    QDateTime now() override
    {
        ++reads;
        const QDateTime reading = time;
        time = time.addMSecs(stepMs);
        return reading;
    }
    QDateTime time = QDateTime(QDate(2026, 3, 14), QTime(15, 9, 26));
    /// How far the clock moves on between two readings.
    qint64 stepMs = 0;
    int reads = 0;
};
