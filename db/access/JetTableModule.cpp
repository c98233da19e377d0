#include "JetTableModule.h"

#include "Error.h"
#include "JetDeclaredType.h"
#include "JetFile.h"
#include "JetRowOrder.h"
#include "JetTableScan.h"
#include "JetValueReader.h"
#include "SqliteDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cstdlib>
#include <new>

namespace db {

namespace {

struct ModuleContext
{
    JetFile *file;
    const std::vector<JetTableDef> *tables;
    // The table of a module of its own; -1 for the shared module, whose
    // tables name theirs as the argument of CREATE VIRTUAL TABLE.
    int index = -1;
};

struct JetVirtualTable : sqlite3_vtab
{
    JetFile *file = nullptr;
    const JetTableDef *table = nullptr;
};

struct JetScanCursor : sqlite3_vtab_cursor
{
    JetScanCursor(const JetTableDef &table, JetFile &file) : scan(table, file), values(file), table(table), file(file)
    {
    }

    JetTableScan scan;
    JetValueReader values;
    const JetTableDef &table;
    JetFile &file;
    bool atEnd = true;
    // A scan in the order of an ORDER BY: the rows in that order, the
    // order they were sorted for, and the place in them.
    std::vector<quint32> sortedRows;
    QByteArray sortedFor;
    size_t position = 0;
    // A text value with its terminating zero, for SQLite.
    std::vector<char16_t> terminated;
};

QString quotedName(const QString &name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

char *copyMessage(const char *text)
{
    return sqlite3_mprintf("%s", text);
}

// The message for a failure reading `table` that is no Error of ours (a
// standard library exception out of values no sound file holds): the
// table's damage message.
QByteArray unexpectedFailure(const JetVirtualTable &table)
{
    return table.file->tableDamagedMessage(table.table->name, QStringLiteral("sie kann nicht gelesen werden")).toUtf8();
}

// Runs `body`, turning a failure into the SQLite error of the virtual table.
// Nothing may pass: SQLite's C frames lie above.
template <typename Body>
int guarded(sqlite3_vtab *vtab, Body body)
{
    QByteArray message;
    try {
        body();
        return SQLITE_OK;
    } catch (const Error &error) {
        message = error.what();
    } catch (const std::bad_alloc &) {
        return SQLITE_NOMEM;
    } catch (...) {
        try {
            message = unexpectedFailure(*static_cast<JetVirtualTable *>(vtab));
        } catch (...) {
            return SQLITE_NOMEM;
        }
    }
    sqlite3_free(vtab->zErrMsg);
    vtab->zErrMsg = copyMessage(message.constData());
    return vtab->zErrMsg ? SQLITE_ERROR : SQLITE_NOMEM;
}

int connect(sqlite3 *db, void *aux, int argc, const char *const *argv, sqlite3_vtab **result, char **message)
{
    const auto *context = static_cast<const ModuleContext *>(aux);
    const int index = context->index >= 0 ? context->index : argc > 3 ? std::atoi(argv[3]) : -1;
    if (index < 0 || index >= int(context->tables->size())) {
        *message = copyMessage("jet: unknown table");
        return SQLITE_ERROR;
    }
    const JetTableDef &table = (*context->tables)[size_t(index)];
    QByteArray schema;
    try {
        schema = JetTableModule::schemaOf(table).toUtf8();
    } catch (...) {
        return SQLITE_NOMEM; // SQLite's C frames lie above
    }
    const int rc = sqlite3_declare_vtab(db, schema.constData());
    if (rc != SQLITE_OK) {
        *message = copyMessage(sqlite3_errmsg(db));
        return rc;
    }
    auto *vtab = new (std::nothrow) JetVirtualTable();
    if (!vtab)
        return SQLITE_NOMEM;
    vtab->zErrMsg = nullptr;
    vtab->file = context->file;
    vtab->table = &table;
    *result = vtab;
    return SQLITE_OK;
}

int disconnect(sqlite3_vtab *vtab)
{
    delete static_cast<JetVirtualTable *>(vtab);
    return SQLITE_OK;
}

// The ORDER BY of a query plan as the plan's text: a column number and
// "a" or "d" a term ("4d 0a"); empty when the table cannot deliver its
// rows in that order and SQLite sorts them.
QByteArray orderText(const JetTableDef &table, const sqlite3_index_info &info)
{
    QByteArray text;
    for (int i = 0; i < info.nOrderBy; ++i) {
        const int column = info.aOrderBy[i].iColumn;
        if (column < 0 || !JetRowOrder::canOrderBy(table.columns.at(size_t(column))))
            return {};
        text += QByteArray::number(column) + (info.aOrderBy[i].desc ? "d " : "a ");
    }
    return text;
}

std::vector<JetRowOrder::Term> orderTerms(const char *text)
{
    std::vector<JetRowOrder::Term> terms;
    for (const QByteArray &term : QByteArray(text).split(' ')) {
        if (!term.isEmpty())
            terms.push_back({term.chopped(1).toInt(), term.endsWith('d')});
    }
    return terms;
}

int bestIndex(sqlite3_vtab *vtab, sqlite3_index_info *info)
{
    const auto *table = static_cast<JetVirtualTable *>(vtab);
    return guarded(vtab, [&] {
        // A query that uses a table whose definition cannot be read fails
        // here, when it is prepared.
        if (!table->table->readable())
            throw Error(table->table->failure);
        // Every constraint is left to SQLite: a scan reads the whole table.
        const double rows = table->table->rowCount;
        info->estimatedRows = sqlite3_int64(rows) + 1;
        info->estimatedCost = rows + 1;
        // An ORDER BY is taken over: the keys alone are sorted, and the
        // rows read in their order, instead of SQLite sorting whole rows.
        const QByteArray order = orderText(*table->table, *info);
        if (!order.isEmpty()) {
            info->idxStr = sqlite3_mprintf("%s", order.constData());
            if (!info->idxStr)
                throw std::bad_alloc();
            info->needToFreeIdxStr = 1;
            info->orderByConsumed = 1;
        }
    });
}

int open(sqlite3_vtab *vtab, sqlite3_vtab_cursor **result)
{
    auto *table = static_cast<JetVirtualTable *>(vtab);
    return guarded(vtab, [&] { *result = new JetScanCursor(*table->table, *table->file); });
}

int close(sqlite3_vtab_cursor *cursor)
{
    delete static_cast<JetScanCursor *>(cursor);
    return SQLITE_OK;
}

// Moves a sorted scan to its row at `position`.
void enterSorted(JetScanCursor &cursor)
{
    cursor.atEnd = cursor.position >= cursor.sortedRows.size();
    if (!cursor.atEnd)
        cursor.scan.seek(cursor.sortedRows[cursor.position]);
}

int filter(sqlite3_vtab_cursor *base, int, const char *order, int, sqlite3_value **)
{
    auto *cursor = static_cast<JetScanCursor *>(base);
    return guarded(base->pVtab, [&] {
        cursor->atEnd = true;
        if (!order) {
            cursor->sortedFor.clear();
            cursor->scan.rewind();
            cursor->atEnd = !cursor->scan.next();
            return;
        }
        // A cursor filtered again for the same order (the inner side of a
        // join) sorts once.
        if (cursor->sortedFor != order) {
            cursor->sortedFor.clear();
            const std::vector<JetRowOrder::Term> terms = orderTerms(order);
            cursor->sortedRows = JetRowOrder(cursor->table, cursor->file, cursor->scan, cursor->values).sorted(terms);
            cursor->sortedFor = order;
        }
        cursor->position = 0;
        enterSorted(*cursor);
    });
}

int next(sqlite3_vtab_cursor *base)
{
    auto *cursor = static_cast<JetScanCursor *>(base);
    return guarded(base->pVtab, [&] {
        if (!cursor->sortedFor.isEmpty()) {
            ++cursor->position;
            enterSorted(*cursor);
            return;
        }
        const bool more = cursor->scan.next();
        cursor->atEnd = !more;
    });
}

int eof(sqlite3_vtab_cursor *base)
{
    return static_cast<JetScanCursor *>(base)->atEnd;
}

// A Numeric value goes to SQLite as a number where that is exact, so that
// it compares and sorts as one: a whole number as an integer, up to 15
// significant digits as a double (whose shortest text gives the digits
// back). Longer values go as their decimal text, every digit kept.
void decimalResult(sqlite3_context *context, const QByteArray &text)
{
    int digits = 0;
    bool leading = true;
    for (const char c : text) {
        if (c >= '1' && c <= '9')
            leading = false;
        if (c >= '0' && c <= '9' && !leading)
            ++digits;
    }
    const char *begin = text.constData();
    const char *end = begin + text.size();
    if (!text.contains('.') && digits <= 18) {
        qint64 whole = 0;
        std::from_chars(begin, end, whole);
        sqlite3_result_int64(context, whole);
    } else if (digits <= 15) {
        double number = 0;
        std::from_chars(begin, end, number);
        sqlite3_result_double(context, number);
    } else {
        sqlite3_result_text(context, begin, int(text.size()), SQLITE_TRANSIENT);
    }
}

// SQLite takes a null pointer for NULL; an empty value needs an address.
const char *addressOf(QByteArrayView bytes)
{
    return bytes.data() ? bytes.data() : "";
}

// A short text goes to SQLite with a terminating zero where it holds none
// itself: SQLite then keeps the zero with its copy, instead of growing the
// copy for one when the text is read (a second allocation and copy for
// every value). SQLite finds the zero one character at a time, so long
// texts go with their length. `buffer` is the cursor's room for the copy.
void textResult(sqlite3_context *context, QByteArrayView utf16, std::vector<char16_t> &buffer)
{
    constexpr size_t longText = 128;
    const auto units = size_t(utf16.size() / 2);
    if (units >= longText) {
        sqlite3_result_text16le(context, utf16.data(), int(units * 2), SQLITE_TRANSIENT);
        return;
    }
    if (buffer.size() < units + 1)
        buffer.resize(longText);
    std::memcpy(buffer.data(), utf16.data(), units * 2);
    buffer[units] = 0;
    const bool holdsZero = std::find(buffer.data(), buffer.data() + units, char16_t(0)) != buffer.data() + units;
    sqlite3_result_text16le(context, buffer.data(), holdsZero ? int(units * 2) : -1, SQLITE_TRANSIENT);
}

void resultOf(JetScanCursor &cursor, sqlite3_context *context, const JetColumnDef &column)
{
    const JetRow &row = cursor.scan.row();
    if (column.type == JetColumnType::Boolean) {
        sqlite3_result_int(context, row.booleanValue(column) ? -1 : 0);
        return;
    }
    const JetRow::Field field = row.field(column);
    if (field.state == JetRow::Field::Corrupt)
        cursor.file.fail();
    if (field.state == JetRow::Field::Null) {
        sqlite3_result_null(context);
        return;
    }
    switch (JetValueReader::storageOf(column)) {
    case JetValueReader::Storage::Integer:
        sqlite3_result_int64(context, cursor.values.integer(column, field));
        break;
    case JetValueReader::Storage::Real:
        sqlite3_result_double(context, cursor.values.real(column, field));
        break;
    case JetValueReader::Storage::Decimal:
        decimalResult(context, cursor.values.numericText(column, field));
        break;
    case JetValueReader::Storage::Text:
        textResult(context, cursor.values.text(column, field), cursor.terminated);
        break;
    case JetValueReader::Storage::Blob: {
        const QByteArrayView bytes = cursor.values.blob(column, field);
        sqlite3_result_blob(context, addressOf(bytes), int(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    }
}

int column(sqlite3_vtab_cursor *base, sqlite3_context *context, int index)
{
    auto *cursor = static_cast<JetScanCursor *>(base);
    try {
        resultOf(*cursor, context, cursor->table.columns.at(size_t(index)));
    } catch (const Error &error) {
        sqlite3_result_error(context, error.what(), -1);
    } catch (const std::bad_alloc &) {
        sqlite3_result_error_nomem(context);
    } catch (...) {
        try {
            const QByteArray message = unexpectedFailure(*static_cast<JetVirtualTable *>(base->pVtab));
            sqlite3_result_error(context, message.constData(), int(message.size()));
        } catch (...) {
            sqlite3_result_error_nomem(context);
        }
    }
    return SQLITE_OK;
}

int rowid(sqlite3_vtab_cursor *base, sqlite3_int64 *result)
{
    *result = static_cast<JetScanCursor *>(base)->scan.rowId();
    return SQLITE_OK;
}

sqlite3_module makeModule()
{
    sqlite3_module module{};
    module.iVersion = 1;
    module.xCreate = connect;
    module.xConnect = connect;
    module.xBestIndex = bestIndex;
    module.xDisconnect = disconnect;
    module.xDestroy = disconnect;
    module.xOpen = open;
    module.xClose = close;
    module.xFilter = filter;
    module.xNext = next;
    module.xEof = eof;
    module.xColumn = column;
    module.xRowid = rowid;
    return module;
}

const sqlite3_module jetModule = makeModule();

// The module of a single table, usable only under its own name (eponymous).
sqlite3_module makeTableModule()
{
    sqlite3_module module = makeModule();
    module.xCreate = nullptr;
    module.xDestroy = nullptr;
    return module;
}

const sqlite3_module tableModule = makeTableModule();

// SQLite refuses to create tables whose names start with "sqlite_".
bool isReservedName(const QString &name)
{
    return name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive);
}

void destroyContext(void *context)
{
    delete static_cast<ModuleContext *>(context);
}

} // namespace

QString JetTableModule::schemaOf(const JetTableDef &table)
{
    // SQLite needs a column; the table is never read.
    if (!table.readable())
        return QStringLiteral("CREATE TABLE x(unreadable)");
    QString schema = QStringLiteral("CREATE TABLE x(");
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (i > 0)
            schema += QStringLiteral(", ");
        schema += quotedName(table.columns[i].name) + u' ' + JetDeclaredType::of(table.columns[i]);
    }
    return schema + u')';
}

QString JetTableModule::createStatement(const std::vector<JetTableDef> &tables, int index)
{
    return QStringLiteral("CREATE VIRTUAL TABLE %1 USING %2(%3)")
        .arg(quotedName(tables[size_t(index)].name), QLatin1String(name))
        .arg(index);
}

void JetTableModule::registerWith(sqlite3 *db, JetFile &file, const std::vector<JetTableDef> &tables)
{
    auto *context = new ModuleContext{&file, &tables};
    if (sqlite3_create_module_v2(db, name, &jetModule, context, destroyContext) != SQLITE_OK)
        throw Error(SqliteDatabase::errorMessage(db));
}

void JetTableModule::createTable(SqliteDatabase &db, JetFile &file, const std::vector<JetTableDef> &tables, int index)
{
    const QString &tableName = tables[size_t(index)].name;
    if (!isReservedName(tableName)) {
        db.execute(createStatement(tables, index));
        return;
    }
    // The table's own module, found under the table's name when a query
    // names it.
    auto *context = new ModuleContext{&file, &tables, index};
    if (sqlite3_create_module_v2(db.handle(), tableName.toUtf8().constData(), &tableModule, context, destroyContext)
        != SQLITE_OK)
        throw Error(db.errorMessage());
    // SQLite connects such a table when it is first named; that is done
    // here, before the connection allows nothing but queries.
    db.execute(QStringLiteral("PRAGMA table_info(%1)").arg(quotedName(tableName)));
}

} // namespace db
