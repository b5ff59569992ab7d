#pragma once

#include <QString>

namespace platform {

/// The system clipboard, as the editing commands see it.
class Clipboard {
public:
    Clipboard() = default;
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;
    virtual ~Clipboard() = default;

    /// Whether plain text is offered.
    virtual bool hasText() = 0;
    /// Whether Rich Text Format is offered (text/rtf or application/rtf).
    virtual bool hasRichText() = 0;
    /// The plain text, empty when none is offered.
    virtual QString text() = 0;
    /// Replaces the clipboard's content with plain text; other programs
    /// receive its line ends as LF.
    virtual void setText(const QString& text) = 0;
    /// Empties the clipboard, all formats.
    virtual void clear() = 0;
};

/// QClipboard.
class QtClipboard final : public Clipboard {
public:
    QtClipboard() = default;
    bool hasText() override;
    bool hasRichText() override;
    QString text() override;
    void setText(const QString& text) override;
    void clear() override;
};

} // namespace platform
