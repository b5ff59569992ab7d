#include "platform/ui/printer.h"

#include "platform/error.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

namespace platform {
namespace {

QString pdfTarget()
{
    return qEnvironmentVariable("PARLIVOX_PRINTER_PDF");
}

Error noPrinter()
{
    return Error(err::Printer, QStringLiteral("Printer error: no default printer is set up"));
}

} // namespace

QString QtPrinter::defaultPrinterName()
{
    if (!pdfTarget().isEmpty())
        return QStringLiteral("PDF file");
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw noPrinter();
    return info.printerName();
}

void QtPrinter::print(const QTextDocument& document)
{
    if (!pdfTarget().isEmpty()) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfTarget());
        document.print(&printer);
        return;
    }
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw noPrinter();
    QPrinter printer(info, QPrinter::HighResolution);
    if (!printer.isValid())
        throw Error(err::Printer,
                    QStringLiteral("Printer error: cannot print to ") + info.printerName());
    document.print(&printer);
}

} // namespace platform
