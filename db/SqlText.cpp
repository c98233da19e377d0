#include "SqlText.h"

#include "SqlScanner.h"

#include <algorithm>

namespace db {

SqlText SqlText::parse(const QString &text)
{
    SqlText result;
    result.positional.reserve(text.size());
    SqlScanner scanner(text);
    while (!scanner.atEnd()) {
        const SqlScanner::Piece piece = scanner.next();
        if (piece.kind == SqlScanner::Other && piece.first() == u':') {
            if (scanner.peek() == u':') { // a cast, no marker
                scanner.next();
                result.positional += QStringLiteral("::");
                continue;
            }
            if (SqlScanner::isWordStart(scanner.peek())) {
                const QString name = scanner.next().text.toString();
                result.markers.push_back(name);
                const bool known = std::any_of(result.names.begin(), result.names.end(), [&](const QString &other) {
                    return other.compare(name, Qt::CaseInsensitive) == 0;
                });
                if (!known)
                    result.names.push_back(name);
                result.positional += u'?';
                continue;
            }
        }
        result.positional += piece.text;
    }
    return result;
}

} // namespace db
