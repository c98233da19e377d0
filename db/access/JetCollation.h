#pragma once

#include <QStringView>

struct sqlite3;

namespace db {

// The text order of Jet: texts compare without regard to case, so "A" and
// "a" are equal for "=", "<>", "between", "distinct" and "order by"; a text
// that is the start of another comes first. Letters are compared by their
// case-folded Unicode code points, with a fast path for ASCII.
class JetCollation
{
public:
    // The name the declared text columns give after COLLATE.
    static constexpr const char *name = "JET";

    static int compare(QStringView a, QStringView b);
    // Registers the collation for UTF-16 texts with `db`.
    static void registerWith(sqlite3 *db);
};

} // namespace db
