#pragma once

#include <QString>

namespace bench {

/// The documents of the large-document benchmarks: prose as plain text
/// (10 MB and 2 MB, a book) and the RTF benchmark's 10 MB document with a
/// 2 MB cut of it. Each has the word lastWord in its last paragraph only.
struct LargeDocuments {
    QString text10, rtf10, text2, rtf2;
};
inline const QString lastWord = QStringLiteral("Quillfeather");

/// Writes them into dir (the RTF through the RTF benchmark, at rtfBench).
/// Returns false when a file cannot be written.
bool writeLargeDocuments(const QString& dir, const QString& rtfBench, LargeDocuments& out);

} // namespace bench
