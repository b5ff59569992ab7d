#pragma once

#include <QString>
#include <QStringList>

#include <vector>

/// The Options dialog's list of voices: readable names in alphabetical
/// order, the user's language first, each name once, each standing for a
/// voice of the engine.
namespace voicelist {

struct Entry {
    QString shown;       ///< the name in the list
    int engineIndex = 0; ///< the voice's place among the engine's voices
    QString description; ///< the engine's own name for it
};

/// The name a voice is listed under: its description, with a name written
/// the way the synthesizer's files write them made readable ("Lang_Belta"
/// becomes "Belta").
QString shownName(const QString& description);

/// The list for the engine's voice descriptions (in its order): sorted by
/// shown name, those of the language named languageName ("English") first.
/// Of two voices with one name, the list holds the later (the one chosen by
/// that name before).
std::vector<Entry> entries(const QStringList& descriptions, const QString& languageName);

/// The entry a stored "Voice" names: by its shown name, or by the
/// description that settings saved before the names were made readable
/// hold; -1 for none.
int find(const std::vector<Entry>& entries, const QString& stored);

} // namespace voicelist
