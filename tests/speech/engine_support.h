#pragma once
// Helpers for tests of the real engine: a capture file per test and waiting
// for what a real-time sound device does.
#include "main_window.h"

#include "parlivox/common/logic/services.h"
#include "platform/speech/spvoice.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

inline constexpr double sampleRate = 22050.0;

inline double seconds(std::int64_t samples)
{
    return static_cast<double>(samples) / sampleRate;
}

/// A fresh capture file for an engine, removed with its folder. The file is
/// complete once every voice of the test is gone.
class CaptureFile {
public:
    CaptureFile() { path = dir.filePath(QStringLiteral("played.wav")); }
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    /// The samples of a 16-bit mono WAV file at 22050 Hz.
    std::vector<std::int16_t> samples() const
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << "no capture file";
        const QByteArray data = file.readAll();
        EXPECT_GE(data.size(), 44);
        if (data.size() < 44)
            return {};
        EXPECT_EQ(data.left(4), QByteArray("RIFF"));
        EXPECT_EQ(data.mid(8, 8), QByteArray("WAVEfmt "));
        const auto le32 = [&](int at) {
            std::uint32_t v = 0;
            for (int i = 3; i >= 0; --i)
                v = (v << 8) | static_cast<std::uint8_t>(data[at + i]);
            return v;
        };
        EXPECT_EQ(le32(24), 22050u);
        EXPECT_EQ(le32(40), static_cast<std::uint32_t>(data.size() - 44)) << "header out of date";
        std::vector<std::int16_t> out(static_cast<std::size_t>(data.size() - 44) / 2);
        std::memcpy(out.data(), data.constData() + 44, out.size() * 2);
        return out;
    }

    QTemporaryDir dir;
    QString path;
};

inline int peak(const std::vector<std::int16_t>& samples, std::size_t from = 0)
{
    int top = 0;
    for (std::size_t i = from; i < samples.size(); ++i)
        top = std::max(top, std::abs(static_cast<int>(samples[i])));
    return top;
}

/// Polls condition every 2 ms for up to ms milliseconds, without an event loop.
inline bool waitUntil(const std::function<bool()>& condition, int ms = 10000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline platform::SpVoice& real(platform::ISpeechVoice& voice)
{
    return dynamic_cast<platform::SpVoice&>(voice);
}

/// The main window over fakes for everything but speech, which is real.
struct RealSpeechWindow {
    explicit RealSpeechWindow(const QString& capturePath = {}) : engine(capturePath)
    {
        w.Form_Load();
    }

    FakePlatform fakes;
    platform::EspeakEngine engine;
    EditorServices services{fakes.settings, fakes.messageBox, fakes.dialog, fakes.clipboard,
                            fakes.printer,  fakes.processes,  fakes.help,   fakes.keyboard,
                            fakes.clock,    fakes.registry,   engine};
    AppState state{engine};
    frmMain w{services, state, QString()};
    MainWindowControls ui{w};

    bool idle() const { return !ui.tmrSpk->isActive() && state.strSpeakText.isEmpty(); }
};
