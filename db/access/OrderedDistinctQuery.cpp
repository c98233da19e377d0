#include "OrderedDistinctQuery.h"

#include "JetCollation.h"
#include "SqlScanner.h"

#include <sqlite3.h>

namespace db {

namespace {

bool is(QStringView word, const char *keyword)
{
    return word.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

// A name as the query writes it: a word, or a quoted name without its
// quotes (a doubled closing quote inside taken as one); empty for any
// other piece.
QString nameOf(const SqlScanner::Piece &piece)
{
    if (piece.kind == SqlScanner::Word)
        return piece.text.toString();
    if (piece.kind != SqlScanner::Quoted || piece.text.size() < 2)
        return {};
    const QChar open = piece.text.front();
    const QChar close = open == u'[' ? u']' : open;
    if ((open != u'"' && open != u'[' && open != u'`') || piece.text.back() != close)
        return {};
    QString name = piece.text.mid(1, piece.text.size() - 2).toString();
    name.replace(QString(2, close), QString(close));
    return name;
}

// The names of an ORDER BY list that starts at the scanner's position, or
// nothing when the list holds anything but names with ASC or DESC, or text
// other than blanks, comments and ";" follows it.
std::optional<QStringList> orderNames(SqlScanner &scanner)
{
    enum { Name, Direction, Separator } expected = Name;
    QStringList names;
    while (!scanner.atEnd()) {
        const SqlScanner::Piece piece = scanner.next();
        if (piece.kind == SqlScanner::Comment || (piece.kind == SqlScanner::Other && piece.first().isSpace()))
            continue;
        const bool word = piece.kind == SqlScanner::Word;
        const QChar c = piece.kind == SqlScanner::Other ? piece.first() : QChar();
        if (expected == Name) {
            const QString name = nameOf(piece);
            if (name.isEmpty())
                return std::nullopt;
            names << name;
            expected = Direction;
        } else if (expected == Direction && word && (is(piece.text, "asc") || is(piece.text, "desc"))) {
            expected = Separator;
        } else if (c == u',') {
            expected = Name;
        } else if (c == u';') {
            break;
        } else {
            return std::nullopt;
        }
    }
    while (!scanner.atEnd()) {
        const SqlScanner::Piece piece = scanner.next();
        if (piece.kind == SqlScanner::Comment)
            continue;
        if (piece.kind != SqlScanner::Other || (!piece.first().isSpace() && piece.first() != u';'))
            return std::nullopt;
    }
    if (expected == Name)
        return std::nullopt;
    return names;
}

// The collation a result column is compared by, as its table declares it;
// empty when the column is not a plain column of a table.
QByteArray collationOf(sqlite3_stmt *statement, int column)
{
    const char *database = sqlite3_column_database_name(statement, column);
    const char *table = sqlite3_column_table_name(statement, column);
    const char *origin = sqlite3_column_origin_name(statement, column);
    if (!database || !table || !origin)
        return {};
    const char *collation = nullptr;
    if (sqlite3_table_column_metadata(sqlite3_db_handle(statement), database, table, origin, nullptr, &collation,
                                      nullptr, nullptr, nullptr)
            != SQLITE_OK
        || !collation)
        return {};
    return QByteArray(collation).toUpper();
}

} // namespace

std::optional<OrderedDistinctQuery> OrderedDistinctQuery::of(const QString &sql)
{
    OrderedDistinctQuery query;
    int words = 0;
    int depth = 0;
    qsizetype distinctStart = -1;
    qsizetype distinctEnd = -1;
    QStringView previousWord;
    SqlScanner scanner(sql);
    while (!scanner.atEnd()) {
        const SqlScanner::Piece piece = scanner.next();
        if (piece.kind == SqlScanner::Comment)
            continue;
        if (piece.kind == SqlScanner::Quoted) {
            previousWord = {};
            continue;
        }
        if (piece.kind == SqlScanner::Other) {
            const QChar c = piece.first();
            if (c == u'(')
                ++depth;
            else if (c == u')')
                --depth;
            else if (c == u';')
                return std::nullopt; // not the last piece: ORDER BY ends the text
            if (!c.isSpace())
                previousWord = {};
            continue;
        }
        ++words;
        if ((words == 1 && !is(piece.text, "select")) || (words == 2 && !is(piece.text, "distinct")))
            return std::nullopt;
        if (words == 2) {
            distinctStart = piece.start;
            distinctEnd = piece.end;
        }
        if (depth != 0) {
            previousWord = piece.text;
            continue;
        }
        if (is(piece.text, "union") || is(piece.text, "intersect") || is(piece.text, "except"))
            return std::nullopt;
        if (is(piece.text, "by") && is(previousWord, "order")) {
            const std::optional<QStringList> names = orderNames(scanner);
            if (!names)
                return std::nullopt;
            query.m_orderNames = *names;
            break;
        }
        previousWord = piece.text;
    }
    if (distinctStart < 0 || query.m_orderNames.isEmpty())
        return std::nullopt;
    query.m_text = sql;
    query.m_text.replace(distinctStart, distinctEnd - distinctStart, QString(distinctEnd - distinctStart, u' '));
    return query;
}

std::optional<DistinctRun> OrderedDistinctQuery::distinctRun(sqlite3_stmt *statement) const
{
    const int count = sqlite3_column_count(statement);
    std::vector<bool> jetCollated;
    for (int column = 0; column < count; ++column) {
        const QByteArray collation = collationOf(statement, column);
        if (collation != "BINARY" && collation != JetCollation::name)
            return std::nullopt;
        jetCollated.push_back(collation == JetCollation::name);
    }
    std::vector<int> keys;
    for (const QString &name : m_orderNames) {
        int found = -1;
        for (int column = 0; column < count; ++column) {
            if (name.compare(QString::fromUtf8(sqlite3_column_name(statement, column)), Qt::CaseInsensitive) != 0)
                continue;
            if (found >= 0)
                return std::nullopt;
            found = column;
        }
        if (found < 0)
            return std::nullopt;
        keys.push_back(found);
    }
    return DistinctRun(statement, std::move(keys), std::move(jetCollated));
}

} // namespace db
