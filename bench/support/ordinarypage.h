#pragma once
// The page the speech benchmarks read: about 3000 characters of sentences of
// ordinary length, CR LF line ends as the editor's text has them.

#include <QString>

namespace bench {

inline QString ordinaryPage()
{
    using namespace Qt::StringLiterals;
    QString page;
    for (int line = 1; line <= 30; ++line)
        page += u"This is line "_s + QString::number(line) +
                u" of an ordinary page, written to be read aloud by the engine. "_s
                u"It goes on for a little while.\r\n"_s;
    return page;
}

} // namespace bench
