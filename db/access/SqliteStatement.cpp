#include "SqliteStatement.h"

#include "Error.h"
#include "SqliteDatabase.h"
#include "FormatSettings.h"

#include <sqlite3.h>

namespace db {

namespace {

bool onlyBlanksAndSemicolons(const char16_t *text)
{
    for (; *text; ++text) {
        if (*text != u';' && !QChar::isSpace(*text))
            return false;
    }
    return true;
}

void bindText(sqlite3_stmt *statement, int position, const QString &text)
{
    sqlite3_bind_text16(statement, position, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
}

// SQLite's texts for a name the query uses that is not there, and ours.
struct MissingName
{
    const char *prefix;
    const char *message;
};
constexpr MissingName missingNames[] = {
    {"no such table: ", "Die Tabelle '%1' wurde nicht gefunden."},
    {"no such column: ", "Die Spalte '%1' wurde nicht gefunden."},
};

QString messageOf(const QString &sqliteText)
{
    for (const MissingName &missing : missingNames) {
        const QLatin1StringView prefix(missing.prefix);
        if (sqliteText.startsWith(prefix))
            return QString::fromUtf8(missing.message).arg(sqliteText.mid(prefix.size()));
    }
    return sqliteText;
}

} // namespace

SqliteStatement::SqliteStatement(sqlite3 *db, const QString &sql)
    : m_db(db)
{
    const void *tail = nullptr;
    const int rc = sqlite3_prepare16_v2(db, sql.utf16(), int((sql.size() + 1) * 2), &m_statement, &tail);
    if (rc != SQLITE_OK) {
        if ((rc & 0xFF) == SQLITE_AUTH)
            throw Error(QStringLiteral("Die Anweisung ist nicht zulässig: es können nur Daten abgefragt werden."));
        fail();
    }
    if (!m_statement)
        throw Error(QStringLiteral("Die Abfrage enthält keine SQL-Anweisung."));
    if (tail && !onlyBlanksAndSemicolons(static_cast<const char16_t *>(tail))) {
        sqlite3_finalize(m_statement);
        throw Error(QStringLiteral("Zeichen nach Ende der SQL-Anweisung gefunden."));
    }
    if (!sqlite3_stmt_readonly(m_statement)) {
        sqlite3_finalize(m_statement);
        throw Error(QStringLiteral("Die Anweisung ist nicht zulässig: es können nur Daten abgefragt werden."));
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

void SqliteStatement::fail() const
{
    throw Error(messageOf(SqliteDatabase::errorMessage(m_db)));
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_statement);
}

void SqliteStatement::bindOne(int position, const Argument &argument)
{
    const Value &value = argument.value;
    sqlite3_stmt *s = m_statement;
    if (value.isNull()) {
        sqlite3_bind_null(s, position);
        return;
    }
    switch (argument.declaredType) {
    case ftDate:
    case ftTime:
    case ftDateTime:
        sqlite3_bind_double(s, position, value.kind() == Value::String
                                             ? TextFormat::textToDate(value.stringRef(), FormatSettings::current())
                                             : value.toDouble());
        return;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        if (value.kind() == Value::String)
            bindText(s, position, value.stringRef());
        else
            sqlite3_bind_int64(s, position, value.toInt());
        return;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
        if (value.kind() == Value::String)
            bindText(s, position, value.stringRef());
        else
            sqlite3_bind_double(s, position, value.toDouble());
        return;
    case ftBoolean:
        sqlite3_bind_int(s, position, value.toBool() ? -1 : 0);
        return;
    default:
        break;
    }
    switch (value.kind()) {
    case Value::Boolean: sqlite3_bind_int(s, position, value.toBool() ? -1 : 0); return;
    case Value::Integer: sqlite3_bind_int64(s, position, value.toInt()); return;
    case Value::Double:
    case Value::DateTime: sqlite3_bind_double(s, position, value.toDouble()); return;
    case Value::Bytes: {
        const QByteArray &bytes = value.bytesRef();
        sqlite3_bind_blob(s, position, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        return;
    }
    default: bindText(s, position, value.toText()); return;
    }
}

void SqliteStatement::bind(const std::vector<Argument> &arguments)
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    const int markers = sqlite3_bind_parameter_count(m_statement);
    for (int i = 0; i < markers && i < int(arguments.size()); ++i)
        bindOne(i + 1, arguments[size_t(i)]);
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail();
}

} // namespace db
