#pragma once

#include "platform/error.h"
#include "platform/speech/voice.h"

#include <QList>

#include <optional>

/// How the next conversion a FakeVoice starts behaves, and what became of it.
struct ConversionScript {
    /// SpeakToFile raises this instead of starting (a folder that cannot be written).
    std::optional<platform::Error> startFailure;
    /// What progress() answers, one value per call; the last one stays.
    QList<double> progress = {0.0};
    /// Polls of isDone() or waitFor() before it reports done; -1: only when
    /// a test sets `done`.
    int pollsUntilDone = -1;
    /// Raised by rethrowFailure() once done (the disk filled up).
    std::optional<platform::Error> failure;

    // ---- what happened -----------------------------------------------------
    bool done = false;
    bool cancelled = false;
    bool alive = false; ///< the program still holds the conversion
    int polls = 0;
};

/// A conversion that does nothing but follow its script.
class FakeAudioFileConversion final : public platform::AudioFileConversion {
public:
    explicit FakeAudioFileConversion(ConversionScript& script) : m_script(script)
    {
        m_script.alive = true;
    }
    ~FakeAudioFileConversion() override { m_script.alive = false; }

    double progress() const override
    {
        QList<double>& values = m_script.progress;
        return values.size() > 1 ? values.takeFirst() : values.value(0);
    }
    bool isDone() const override
    {
        ++m_script.polls;
        if (m_script.pollsUntilDone >= 0 && m_script.polls >= m_script.pollsUntilDone)
            m_script.done = true;
        return m_script.done;
    }
    bool waitFor(std::chrono::milliseconds) override { return isDone(); }
    void cancel() override
    {
        if (m_script.done)
            return;
        m_script.cancelled = true;
        m_script.done = true;
    }
    void rethrowFailure() const override
    {
        if (m_script.done && !m_script.cancelled && m_script.failure)
            throw *m_script.failure;
    }

private:
    ConversionScript& m_script;
};
