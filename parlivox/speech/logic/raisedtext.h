#pragma once

#include "parlivox/speech/logic/speechtext.h"

#include <vector>

class QTextDocument;

namespace speechtext {

/// The raised pieces of the document's [from, to), in order: what the
/// readers marked as notes' reference marks, and other superscript text.
std::vector<RaisedText> raisedText(const QTextDocument& document, qsizetype from, qsizetype to);

} // namespace speechtext
