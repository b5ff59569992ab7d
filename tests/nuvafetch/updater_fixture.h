#pragma once

#include "controls.h"
#include "fake_inet.h"
#include "fake_messagebox.h"
#include "fake_services.h"
#include "localserver.h"

#include "nuvafetch/frmCheck.h"
#include "nuvafetch/frmIntro.h"
#include "nuvafetch/frmUpdate.h"
#include "nuvafetch/logic/descriptor.h"
#include "nuvafetch/logic/installer.h"
#include "nuvafetch/logic/wizardstate.h"
#include "nuvafetch/services.h"
#include "nuvafetch/wizard.h"
#include "platform/inet.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

// A page's controls, found by their names as a user finds them on screen.
inline QPushButton* button(const QWidget* page, const char* name)
{
    return control<QPushButton>(page, name);
}
inline QLabel* label(const QWidget* page, const char* name)
{
    return control<QLabel>(page, name);
}
inline QLineEdit* lineEdit(const QWidget* page, const char* name)
{
    return control<QLineEdit>(page, name);
}
inline QFrame* frame(const QWidget* page, const char* name)
{
    return control<QFrame>(page, name);
}

/// The updater in a temporary application directory, against a local server
/// (or the scripted transfer component), with scripted message boxes and
/// program starts.
class Updater : public ::testing::Test {
protected:
    ~Updater() override
    {
        wizard.reset();
        flush();
    }

    static platform::TransferSettings impatient()
    {
        platform::TransferSettings settings;
        settings.connectTimeout = std::chrono::seconds(2);
        settings.lowSpeedTime = std::chrono::seconds(1);
        return settings;
    }

    void writeFile(const QString& name, const QByteArray& content)
    {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray readFile(const QString& name) const
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void descriptor(const char* name, int major, int minor, int rev)
    {
        writeFile(QStringLiteral("Nuvafetch.inf"),
                  QByteArray("[Product]\r\nName=") + name + "\r\nverMajor=" +
                      QByteArray::number(major) + "\r\nverMinor=" + QByteArray::number(minor) +
                      "\r\nverRev=" + QByteArray::number(rev) + "\r\n");
    }

    /// The server's files for Parlivox.
    void serve(const std::string& version, const std::string& size = "850",
               const std::string& installer = "MZ")
    {
        server.file("/product/parlivox/version.txt", version);
        server.file("/product/parlivox/size.txt", size);
        server.file("/product/parlivox/update.exe", installer, "application/octet-stream");
    }

    void useFake(const QString& base = QStringLiteral("http://updates.test"))
    {
        inet = &fake;
        serverBase = base;
    }

    void start() { startAt(PageId::Intro); }

    /// Starts the wizard on target, with the state its earlier pages left.
    void startAt(PageId target)
    {
        services = std::make_unique<UpdaterServices>(
            UpdaterServices{messageBox, processes, *inet, appDir, cacheFolder, serverBase});
        wizard = std::make_unique<Wizard>(*services, state);
        wizard->moveTo(target);
    }

    /// Activates page as the window system would and presses Enter where
    /// the focus then is.
    static void pressEnter(QWidget* page)
    {
        ASSERT_NE(page, nullptr);
        page->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(page));
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, Qt::Key_Return);
    }

    /// Deletes the pages the wizard has left, as the event loop would.
    static void flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    template <typename Page> Page* page() const
    {
        return wizard ? dynamic_cast<Page*>(wizard->currentPage()) : nullptr;
    }

    /// Runs check once a held transfer is waiting (the page is then in its
    /// local event loop), then lets the transfer go on; a close in check
    /// cancels it instead.
    void duringTransfer(std::function<void()> check)
    {
        QTimer::singleShot(5, qApp, [this, check] {
            if (!fake.holding())
                return duringTransfer(check);
            check();
            fake.release();
        });
    }

    QTemporaryDir dir;
    QString appDir = dir.path();
    QString cacheFolder = dir.filePath(QStringLiteral("cache/Nuvafetch"));
    LocalServer server;
    platform::CurlHttpClient curl{impatient()};
    FakeHttpClient fake;
    platform::HttpClient* inet = &curl;
    QString serverBase = QString::fromStdString(server.base());
    FakeMessageBox messageBox;
    FakeProcessStarter processes;
    WizardState state;
    std::unique_ptr<UpdaterServices> services;
    std::unique_ptr<Wizard> wizard;
};
