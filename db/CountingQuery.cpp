#include "CountingQuery.h"

#include "SqlScanner.h"

namespace db {

namespace {

bool is(const QString &word, const char *keyword)
{
    return word.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

} // namespace

std::optional<QString> CountingQuery::countText(const QString &sql)
{
    QString firstWord;
    QString previousWord;
    qsizetype previousWordStart = -1;
    qsizetype orderBy = -1;
    bool tailChangesRows = false;
    int depth = 0;
    SqlScanner scanner(sql);
    while (!scanner.atEnd()) {
        const SqlScanner::Piece piece = scanner.next();
        if (piece.kind == SqlScanner::Quoted || piece.kind == SqlScanner::Comment)
            continue;
        if (piece.kind == SqlScanner::Word) {
            const QString word = piece.text.toString();
            if (firstWord.isEmpty())
                firstWord = word;
            if (depth == 0) {
                if (is(word, "by") && is(previousWord, "order")) {
                    orderBy = previousWordStart;
                    tailChangesRows = false;
                } else if (orderBy >= 0
                           && (is(word, "offset") || is(word, "fetch") || is(word, "limit") || is(word, "for"))) {
                    tailChangesRows = true;
                }
            }
            previousWord = word;
            previousWordStart = piece.start;
            continue;
        }
        const QChar c = piece.first();
        if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        else if (c == u'?' && orderBy >= 0)
            tailChangesRows = true;
        else if (c == u';' && depth == 0 && !sql.mid(piece.end).trimmed().isEmpty())
            return std::nullopt; // more than one statement
        if (!c.isSpace())
            previousWord.clear();
    }
    if (!is(firstWord, "select"))
        return std::nullopt;
    QString inner = orderBy >= 0 && !tailChangesRows ? sql.left(orderBy) : sql;
    inner = inner.trimmed();
    while (inner.endsWith(u';'))
        inner.chop(1);
    return QStringLiteral("select count(*) from (%1\r\n) counted_rows").arg(inner);
}

} // namespace db
