#include "CountingQuery.h"

namespace db {

namespace {

bool isWordStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isWordPart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

// Index just past the literal, bracketed name or comment starting at `i`,
// or `i` when none starts there.
qsizetype skipQuoted(const QString &sql, qsizetype i)
{
    const QChar c = sql.at(i);
    const QChar next = i + 1 < sql.size() ? sql.at(i + 1) : QChar();
    if (c == u'\'' || c == u'"' || c == u'[') {
        const QChar close = c == u'[' ? QChar(u']') : c;
        qsizetype j = i + 1;
        while (j < sql.size()) {
            if (sql.at(j) == close) {
                if (j + 1 < sql.size() && sql.at(j + 1) == close) { // doubled: part of the text
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return sql.size();
    }
    if (c == u'-' && next == u'-') {
        const qsizetype end = sql.indexOf(u'\n', i);
        return end < 0 ? sql.size() : end + 1;
    }
    if (c == u'/' && next == u'*') {
        const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
        return end < 0 ? sql.size() : end + 2;
    }
    return i;
}

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
    qsizetype i = 0;
    while (i < sql.size()) {
        const qsizetype skipped = skipQuoted(sql, i);
        if (skipped != i) {
            i = skipped;
            continue;
        }
        const QChar c = sql.at(i);
        if (isWordStart(c)) {
            const qsizetype start = i;
            while (i < sql.size() && isWordPart(sql.at(i)))
                ++i;
            const QString word = sql.mid(start, i - start);
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
            previousWordStart = start;
            continue;
        }
        if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        else if (c == u'?' && orderBy >= 0)
            tailChangesRows = true;
        else if (c == u';' && depth == 0 && !sql.mid(i + 1).trimmed().isEmpty())
            return std::nullopt; // more than one statement
        if (!c.isSpace())
            previousWord.clear();
        ++i;
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
