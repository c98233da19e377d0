#pragma once

#include <QString>

#include <vector>

namespace db {

// A query text with ":name" parameter markers, turned into the "?" form
// that the providers bind by position.
struct SqlText
{
    // The text with every marker replaced by "?".
    QString positional;
    // The parameter name of each marker, in text order (a name may repeat).
    std::vector<QString> markers;
    // Each name once, in order of first appearance.
    std::vector<QString> names;

    // A marker is a ":" followed by a word (SqlScanner: a letter or "_",
    // then letters, digits, "_", "@", "#" and "$"); text inside literals,
    // quoted names and comments is left alone; "::" is not a marker.
    static SqlText parse(const QString &text);
};

} // namespace db
