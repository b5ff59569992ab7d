#pragma once

#include <QString>

#include <atomic>
#include <mutex>

namespace platform {

/// How far the reading of a document got, and whether the user cancelled
/// it. The reader reports from the reading thread; the window polls from its
/// own and cancels. Every reader goes through it, so a reader that takes
/// long (a book, a PDF, the recognition of scanned pages) needs nothing
/// more than this to show its progress and to stop on Cancel:
///
///     for (int page = 0; page < pages; ++page) {
///         progress.report(double(page) / pages,
///                         QStringLiteral("Recognising page %1 of %2").arg(page + 1).arg(pages));
///         ...                                  // throws err::Cancel once cancelled
///     }
class ReadProgress {
public:
    ReadProgress() = default;
    ReadProgress(const ReadProgress&) = delete;
    ReadProgress& operator=(const ReadProgress&) = delete;

    // ---- the reader's side (any thread) --------------------------------------

    /// The share of the work done, 0 to 1, and optionally what is being done
    /// (shown in the progress window instead of its own words while not
    /// empty). Throws cancelSelected() (err::Cancel) once cancelled.
    void report(double done, const QString& text = {});
    /// Throws cancelSelected() once cancelled; cheap enough for every step of a loop.
    void check() const;

    // ---- the window's side ---------------------------------------------------

    /// Asks the reader to stop at its next report or check.
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }
    /// The share done, or a negative number until the reader has reported one.
    double done() const { return m_done.load(std::memory_order_relaxed); }
    /// The reader's last text; empty when it gave none.
    QString text() const;

private:
    std::atomic<bool> m_cancelled{false};
    std::atomic<double> m_done{-1};
    mutable std::mutex m_mutex;
    QString m_text;
};

} // namespace platform
