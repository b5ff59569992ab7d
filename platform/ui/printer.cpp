#include "platform/ui/printer.h"

#include "platform/error.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QTextDocument>
#include <QTextFrame>

#include <cmath>
#include <memory>

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

/// The screen's logical resolution: the layout reads frame margins in its
/// pixels and scales them to the printer's.
QPointF screenDpi()
{
    if (QCoreApplication::testAttribute(Qt::AA_Use96Dpi))
        return {96, 96};
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return {std::round(screen->logicalDotsPerInchX()),
                std::round(screen->logicalDotsPerInchY())};
    return {100, 100};
}

/// Lays a copy of the document out for the printer's page, with margins of
/// 2 cm, and draws it page by page: the page carries the content alone. (The
/// toolkit's own printing of a document without a page size numbers every
/// page at its foot.) The editor's document and its layout stay untouched.
void printContent(const QTextDocument& document, QPrinter& printer)
{
    if (printer.pageLayout().margins(QPageLayout::Millimeter).isNull())
        printer.setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);
    QPainter painter(&printer);
    if (!painter.isActive())
        return;

    const std::unique_ptr<QTextDocument> copy(document.clone());
    QAbstractTextDocumentLayout& layout = *copy->documentLayout();
    layout.setPaintDevice(&printer);
    const QPointF dpi = screenDpi();
    const int horizontalMargin = static_cast<int>(2 / 2.54 * dpi.x());
    const int verticalMargin = static_cast<int>(2 / 2.54 * dpi.y());
    QTextFrameFormat frame = copy->rootFrame()->frameFormat();
    frame.setLeftMargin(horizontalMargin);
    frame.setRightMargin(horizontalMargin);
    frame.setTopMargin(verticalMargin);
    frame.setBottomMargin(verticalMargin);
    copy->rootFrame()->setFrameFormat(frame);
    const QSizeF page(printer.width(), printer.height());
    copy->setPageSize(page);

    QAbstractTextDocumentLayout::PaintContext context;
    // Text without a colour of its own is black on paper, whatever the theme.
    context.palette.setColor(QPalette::Text, Qt::black);
    const int pages = copy->pageCount();
    for (int index = 0; index < pages; ++index) {
        if (index > 0 && !printer.newPage())
            return;
        const QRectF view(QPointF(0, index * page.height()), page);
        painter.save();
        painter.translate(0, -view.top());
        painter.setClipRect(view);
        context.clip = view;
        layout.draw(&painter, context);
        painter.restore();
    }
}

/// Printing gives up silently when the printer cannot start; its state tells.
void printOrThrow(const QTextDocument& document, QPrinter& printer, const QString& name)
{
    printContent(document, printer);
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
