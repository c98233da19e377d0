#include "SqliteDatabase.h"

#include "Error.h"

#include <sqlite3.h>

namespace db {

namespace {

// The page cache of the sorter and of temporary results: 16 MiB.
constexpr const char *cacheSize = "PRAGMA cache_size = -16384";

int authorizeQuery(void *, int action, const char *, const char *, const char *, const char *)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

} // namespace

void SqliteDatabase::Close::operator()(sqlite3 *db) const
{
    sqlite3_close_v2(db);
}

SqliteDatabase::SqliteDatabase()
{
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    m_db.reset(db);
    if (rc != SQLITE_OK)
        throw Error(db ? errorMessage() : QStringLiteral("SQLite kann nicht gestartet werden."));
    sqlite3_extended_result_codes(db, 1);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    execute(QStringLiteral("PRAGMA encoding = 'UTF-16le'"));
    execute(QStringLiteral("PRAGMA temp_store = FILE"));
    execute(QString::fromLatin1(cacheSize));
}

SqliteDatabase::~SqliteDatabase() = default;

QString SqliteDatabase::errorMessage() const
{
    return errorMessage(m_db.get());
}

QString SqliteDatabase::errorMessage(sqlite3 *db)
{
    switch (sqlite3_errcode(db) & 0xFF) {
    case SQLITE_NOMEM:
        return QStringLiteral("Für die Abfrage ist nicht genügend Arbeitsspeicher vorhanden.");
    case SQLITE_IOERR:
        return QStringLiteral("Bei der Abfrage ist ein Ein-/Ausgabefehler aufgetreten.");
    case SQLITE_CORRUPT:
        return QStringLiteral("Die Daten der Abfrage sind beschädigt.");
    case SQLITE_FULL:
        return QStringLiteral("Für die Abfrage ist auf dem Datenträger nicht genügend Speicherplatz vorhanden.");
    case SQLITE_TOOBIG:
        return QStringLiteral("Ein Wert der Abfrage ist zu groß.");
    default:
        return QString::fromUtf8(sqlite3_errmsg(db));
    }
}

void SqliteDatabase::execute(const QString &sql)
{
    char *message = nullptr;
    if (sqlite3_exec(m_db.get(), sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = message && (sqlite3_errcode(m_db.get()) & 0xFF) == SQLITE_ERROR ? QString::fromUtf8(message)
                                                                                            : errorMessage();
        sqlite3_free(message);
        throw Error(text);
    }
}

void SqliteDatabase::allowOnlyQueries()
{
    sqlite3_set_authorizer(m_db.get(), authorizeQuery, nullptr);
}

} // namespace db
