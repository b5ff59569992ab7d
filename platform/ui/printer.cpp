#include "platform/ui/printer.h"

#include "platform/error.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

namespace platform {
namespace {

Error noPrinter()
{
    return Error(err::Printer, QStringLiteral("Printer error: no default printer is set up"));
}

Error cannotPrint(const QString& name)
{
    return Error(err::Printer, QStringLiteral("Printer error: cannot print to ") + name);
}

/// Printing gives up silently when the printer cannot start; its state tells.
void printOrThrow(const QTextDocument& document, QPrinter& printer, const QString& name)
{
    document.print(&printer);
    if (printer.printerState() == QPrinter::Error)
        throw cannotPrint(name);
}

} // namespace

QString QtPrinter::defaultPrinterName()
{
    if (!m_pdfOverride.isEmpty())
        return QStringLiteral("PDF file");
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw noPrinter();
    return info.printerName();
}

void QtPrinter::print(const QTextDocument& document)
{
    if (!m_pdfOverride.isEmpty()) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_pdfOverride);
        printOrThrow(document, printer, QStringLiteral("PDF file"));
        return;
    }
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw noPrinter();
    QPrinter printer(info, QPrinter::HighResolution);
    if (!printer.isValid())
        throw cannotPrint(info.printerName());
    printOrThrow(document, printer, info.printerName());
}

} // namespace platform
