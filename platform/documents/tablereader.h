#pragma once

#include "platform/documentlimits.h"
#include "platform/documents/builder.h"
#include "platform/documents/xml.h"

// What the readers of Word and OpenDocument files share about the shape of
// their XML: how deep they go, and how a table's rows and cells are found.
namespace platform::documents {

/// One level deeper for as long as it lives: the elements that nest
/// (sections, spans, lists, tables, notes, text boxes) are read
/// recursively, and past limits::maxDepth what they hold is read as flat text.
class Nesting {
public:
    explicit Nesting(int& depth) : m_depth(++depth) {}
    ~Nesting() { --m_depth; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;
    bool tooDeep() const { return m_depth > limits::maxDepth; }

private:
    int& m_depth;
};

/// How a format names a table's parts.
struct TableShape {
    QLatin1StringView row, cell;
    /// Elements that hold rows (groups, content controls), and cells.
    bool (*holdsRows)(QLatin1StringView name);
    bool (*holdsCells)(QLatin1StringView name);
};

/// Reads the table element the reader stands on into out, row by row:
/// cell(), called at each cell's start, reads what it holds up to its end;
/// flat() reads the rest of an element nested too deep as one paragraph.
template <typename Cell, typename Flat>
void readTable(XmlReader& xml, DocumentBuilder& out, int& depth, const TableShape& shape, Cell cell,
               Flat flat)
{
    const auto cells = [&](const auto& self) -> void {
        const Nesting level(depth);
        if (level.tooDeep())
            return flat();
        while (xml.readNextStartElement()) {
            if (xml.name() == shape.cell) {
                cell();
                out.endCell();
            } else if (shape.holdsCells(xml.name())) {
                self(self);
            } else {
                xml.skipCurrentElement(); // merged cells' places, properties
            }
        }
    };
    const auto rows = [&](const auto& self) -> void {
        const Nesting level(depth);
        if (level.tooDeep())
            return flat();
        while (xml.readNextStartElement()) {
            if (xml.name() == shape.row) {
                out.beginRow();
                cells(cells);
                out.endRow();
            } else if (shape.holdsRows(xml.name())) {
                self(self);
            } else {
                xml.skipCurrentElement(); // columns, the table's properties and title
            }
        }
    };
    out.beginTable();
    rows(rows);
    out.endTable();
}

} // namespace platform::documents
