#pragma once

#include <QString>
#include <QStringList>

namespace bench {

/// A novel of ordinary prose: chapters of paragraphs of sentences with
/// dialogue, names and punctuation, the same for the same seed.
struct Novel {
    QString title;
    QStringList chapterTitles;
    std::vector<QStringList> chapters; ///< the paragraphs of each chapter
    qsizetype words = 0;
};

Novel writeNovel(int chapters, int wordsPerChapter, unsigned seed);

} // namespace bench
