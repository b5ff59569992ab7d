#pragma once

#include "platform/error.h"
#include "platform/ui/commondialog.h"

#include <QList>

/// Answers file and colour choosers from a script; an empty script or an
/// answer marked cancel raises 32755 as the real dialog does.
class FakeCommonDialog final : public platform::CommonDialog {
public:
    struct Answer {
        QString fileName;
        int filterIndex = 1;
        QColor color;
        bool cancel = false;
        /// Another failure than a cancel, when non-zero.
        int failure = 0;
        /// Enter on the name the dialog proposes, after picking filterIndex
        /// (which changes its extension as the real dialog does).
        bool acceptProposed = false;
    };
    enum class Kind { Open, Save, Color };
    struct Call {
        Kind kind;
        int flags;
        QString filter;
        QString fileName; ///< the name the dialog was opened with
        int filterIndex;
    };

    static Answer file(const QString& path, int filterIndex = 1) { return {path, filterIndex, {}}; }
    static Answer colour(const QColor& c) { return {{}, 1, c}; }
    static Answer cancelled() { return {{}, 1, {}, true}; }
    /// Enter at once (filterIndex 0), or after picking filter filterIndex.
    static Answer enter(int filterIndex = 0)
    {
        Answer a;
        a.filterIndex = filterIndex;
        a.acceptProposed = true;
        return a;
    }

    void ShowOpen() override { answer(Kind::Open); }
    void ShowSave() override { answer(Kind::Save); }
    void ShowColor() override { answer(Kind::Color); }

    QList<Answer> answers;
    QList<Call> calls;

private:
    void answer(Kind kind)
    {
        calls.append({kind, Flags(), Filter(), FileName(), FilterIndex()});
        if (answers.isEmpty())
            throw platform::cancelSelected();
        const Answer a = answers.takeFirst();
        if (a.failure)
            throw platform::Error(a.failure, QStringLiteral("Scripted failure"));
        if (a.cancel)
            throw platform::cancelSelected();
        if (kind == Kind::Color) {
            setColor(a.color);
        } else if (a.acceptProposed) {
            if (a.filterIndex != 0 && a.filterIndex != FilterIndex()) {
                setFileName(platform::withFilterExtension(FileName(), Filter(), a.filterIndex));
                setFilterIndex(a.filterIndex);
            }
        } else {
            setFileName(a.fileName);
            setFilterIndex(a.filterIndex);
        }
    }
};
