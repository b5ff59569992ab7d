#pragma once

#include "platform/error.h"

#include <QString>

// The refusals of the document readers, worded alike for every format. kind
// names what the file should be ("Word document", "PDF document").
namespace platform::documents {

/// The file is not what its name or its start says.
Error notThisFormat(const QString& fileName, const QString& kind);
/// The file is damaged or cut short; detail says where.
Error damaged(const QString& fileName, const QString& kind, const QString& detail);
/// A password is needed to read it.
Error passwordProtected(const QString& fileName, const QString& kind);
/// Digital rights management locks its text.
Error drmProtected(const QString& fileName, const QString& kind);
/// It unpacks to more than a document can need (a zip or entity bomb).
Error tooLarge(const QString& fileName, const QString& kind, const QString& detail);
/// It would build a document beyond platform::limits, or take more work to
/// read than any real one; detail says which ("holds more than 64 million
/// characters").
Error tooLargeToOpen(const QString& fileName, const QString& detail);
/// "more than 256 MB unpacked"
QString unpackedLimitText();

} // namespace platform::documents
