#include "SqlCount.h"

namespace db::SqlCount {

namespace {

// Where the word at `i` ends.
qsizetype wordEnd(const QString &sql, qsizetype i)
{
    while (i < sql.size() && (sql[i].isLetterOrNumber() || sql[i] == u'_'))
        ++i;
    return i;
}

// Just past the literal, quoted name or comment that starts at `i`, or `i`.
qsizetype skipQuoted(const QString &sql, qsizetype i)
{
    const QChar c = sql[i];
    const qsizetype n = sql.size();
    if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
        const QChar close = c == u'[' ? QChar(u']') : c;
        const qsizetype end = sql.indexOf(close, i + 1);
        return end < 0 ? n : end + 1; // a doubled quote is two literals in a row here
    }
    if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
        const qsizetype end = sql.indexOf(u'\n', i);
        return end < 0 ? n : end;
    }
    if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
        const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
        return end < 0 ? n : end + 2;
    }
    return i;
}

// The start of the query's own final "order by", or -1 when it has none or
// a "limit" follows it (then the order decides which rows count).
qsizetype finalOrderBy(const QString &sql)
{
    qsizetype found = -1;
    int depth = 0;
    QString previousWord;
    qsizetype previousStart = -1;
    for (qsizetype i = 0; i < sql.size();) {
        const qsizetype skipped = skipQuoted(sql, i);
        if (skipped != i) {
            i = skipped;
            continue;
        }
        const QChar c = sql[i];
        if (c == u'(' || c == u')') {
            depth += c == u'(' ? 1 : -1;
            previousWord.clear();
            ++i;
            continue;
        }
        if (!c.isLetterOrNumber() && c != u'_') {
            ++i;
            continue;
        }
        const qsizetype end = wordEnd(sql, i);
        const QString word = sql.mid(i, end - i).toLower();
        if (depth == 0) {
            if (word == u"by" && previousWord == u"order")
                found = previousStart;
            else if (found >= 0 && (word == u"limit" || word == u"offset"))
                return -1;
        }
        previousWord = word;
        previousStart = i;
        i = end;
    }
    return found;
}

} // namespace

QString statementFor(const QString &sql)
{
    QString inner = sql;
    const qsizetype orderBy = finalOrderBy(inner);
    if (orderBy >= 0)
        inner.truncate(orderBy);
    inner = inner.trimmed();
    while (inner.endsWith(u';'))
        inner = inner.chopped(1).trimmed();
    return QStringLiteral("select count(*) from (") + inner + QStringLiteral("\n)");
}

} // namespace db::SqlCount
