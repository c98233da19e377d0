#include "PostgresRegister.h"

#include "Error.h"
#include "OdbcDatabase.h"

#include <QFile>
#include <QStringList>

namespace {

db::FieldType declaredType(JetType type)
{
    switch (type) {
    case JetType::Boolean: return db::ftBoolean;
    case JetType::Byte:
    case JetType::Integer: return db::ftSmallint;
    case JetType::Long: return db::ftInteger;
    case JetType::Currency: return db::ftCurrency;
    case JetType::Single:
    case JetType::Double: return db::ftFloat;
    case JetType::DateTime: return db::ftDateTime;
    case JetType::Binary:
    case JetType::Ole: return db::ftBlob;
    case JetType::Text: return db::ftString;
    case JetType::Memo: return db::ftMemo;
    case JetType::Decimal: return db::ftBCD;
    }
    return db::ftUnknown;
}

// A Currency goes as its amount, a date-time as its day number.
db::Value valueOf(const JetValue &value)
{
    switch (value.kind()) {
    case JetValue::Kind::Null: return db::Value();
    case JetValue::Kind::Bool: return db::Value::fromBool(value.toBool());
    case JetValue::Kind::Integer: return db::Value::fromInt(value.toInteger());
    case JetValue::Kind::Double: return db::Value::fromDouble(value.toDouble());
    case JetValue::Kind::Text: return db::Value::fromString(value.toText());
    case JetValue::Kind::Bytes: return db::Value::fromBytes(value.toBytes());
    case JetValue::Kind::DateTime: return db::Value::fromDateTime(value.toOleDate());
    case JetValue::Kind::Currency: return db::Value::fromDouble(double(value.toCurrency()) / 10000.0);
    }
    return db::Value();
}

} // namespace

QString PostgresRegister::connectionText(const QString &database)
{
    QFile file(QStringLiteral(POSTGRES_FIXTURE_CONNECTION));
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("The PostgreSQL fixture has not run: %1 is missing").arg(file.fileName()));
    return QString::fromUtf8(file.readAll()).trimmed() + QStringLiteral("Database=%1;BoolsAsChar=0;").arg(database);
}

PostgresRegister::PostgresRegister(const QString &database)
    : m_database(std::make_unique<db::OdbcDatabase>(connectionText(database), db::OdbcTimeouts{10, 0}))
{
}

QString PostgresRegister::postgresType(const JetColumn &column)
{
    switch (column.type) {
    case JetType::Boolean: return QStringLiteral("boolean");
    case JetType::Byte:
    case JetType::Integer: return QStringLiteral("smallint");
    case JetType::Long: return QStringLiteral("integer");
    case JetType::Currency: return QStringLiteral("money");
    case JetType::Single: return QStringLiteral("real");
    case JetType::Double: return QStringLiteral("double precision");
    case JetType::DateTime: return QStringLiteral("timestamp");
    case JetType::Binary:
    case JetType::Ole: return QStringLiteral("bytea");
    case JetType::Text: return QStringLiteral("varchar(%1)").arg(column.size);
    case JetType::Memo: return QStringLiteral("text");
    case JetType::Decimal: return QStringLiteral("numeric(%1,%2)").arg(column.precision).arg(column.scale);
    }
    return QStringLiteral("text");
}

void PostgresRegister::run(const QString &sql, const std::vector<db::Argument> &arguments)
{
    m_database->execute(sql, arguments);
}

void PostgresRegister::createTable(const QString &name, const QList<JetColumn> &columns, bool caseInsensitiveTexts)
{
    if (caseInsensitiveTexts) {
        run(QStringLiteral("create collation if not exists register_text "
                           "(provider = icu, locale = 'und-u-ks-level2', deterministic = false)"));
    }
    QStringList definitions;
    for (const JetColumn &column : columns) {
        QString definition = column.name + u' ' + postgresType(column);
        if (caseInsensitiveTexts && (column.type == JetType::Text || column.type == JetType::Memo))
            definition += QStringLiteral(" collate register_text");
        definitions << definition;
    }
    run(QStringLiteral("drop table if exists %1").arg(name));
    run(QStringLiteral("create table %1 (%2)").arg(name, definitions.join(QStringLiteral(", "))));
}

void PostgresRegister::insert(const QString &table, const QList<JetColumn> &columns, const std::vector<db::Value> &row)
{
    QStringList names;
    QStringList markers;
    std::vector<db::Argument> arguments;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        names << columns[i].name;
        // psqlODBC types a double marker float8, which has no cast to money
        markers << (columns[i].type == JetType::Currency ? QStringLiteral("cast(? as numeric)") : QStringLiteral("?"));
        arguments.push_back({declaredType(columns[i].type), row.at(std::size_t(i))});
    }
    run(QStringLiteral("insert into %1 (%2) values (%3)")
            .arg(table, names.join(QStringLiteral(", ")), markers.join(QStringLiteral(", "))),
        arguments);
}

void PostgresRegister::insert(const QString &table, const QList<JetColumn> &columns, const QList<JetValue> &row)
{
    std::vector<db::Value> values;
    values.reserve(std::size_t(row.size()));
    for (const JetValue &value : row)
        values.push_back(valueOf(value));
    insert(table, columns, values);
}
