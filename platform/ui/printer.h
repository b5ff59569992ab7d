#pragma once

#include <QString>

class QTextDocument;

namespace platform {

/// The default printer. Both operations raise Error 482 when none is set up.
class Printer {
public:
    Printer() = default;
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;
    virtual ~Printer() = default;

    /// The default printer's name.
    virtual QString defaultPrinterName() = 0;
    /// Prints a copy of the document laid out for the printer's page: its
    /// content alone, with no page numbers or headers.
    virtual void print(const QTextDocument& document) = 0;
};

/// QPrinterInfo's default printer; a PDF override path makes the default
/// printer a PDF writer to that file, named "PDF file".
class QtPrinter final : public Printer {
public:
    explicit QtPrinter(QString pdfOverride = {}) : m_pdfOverride(std::move(pdfOverride)) {}
    QString defaultPrinterName() override;
    void print(const QTextDocument& document) override;

private:
    QString m_pdfOverride;
};

} // namespace platform
