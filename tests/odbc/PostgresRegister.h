#pragma once

#include "JetColumn.h"
#include "JetValue.h"
#include "ProviderConnection.h"
#include "Value.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

// The register's tables in the throwaway PostgreSQL cluster of the ODBC
// tests (tests/odbc/postgres-fixture.sh), made and filled through our own
// ODBC adapter. The column types follow the Access ones: Long integer,
// Integer smallint, Currency money, Single real, Memo text, Text(n)
// varchar(n).
//
// PostgreSQL folds unquoted names to lower case, so the tables and columns
// are made unquoted: the register's queries, unquoted as well, find them,
// and results name their columns in lower case.
class PostgresRegister
{
public:
    // The fixture's ODBC text for `database`, with the psqlODBC options
    // the tests rely on (booleans as SQL_BIT).
    static QString connectionText(const QString &database);

    explicit PostgresRegister(const QString &database);

    db::ProviderConnection &database() { return *m_database; }

    // Drops the table if it is there and creates it anew. With
    // `caseInsensitiveTexts` its text columns compare without regard to
    // case, as in Jet and in SQL Server's usual CI collations (ICU
    // "und-u-ks-level2"; it differs from Jet in the order of punctuation).
    void createTable(const QString &name, const QList<JetColumn> &columns, bool caseInsensitiveTexts = false);
    // One row, a value per column in column order.
    void insert(const QString &table, const QList<JetColumn> &columns, const std::vector<db::Value> &row);
    // The same from the values of our Jet writer's rows (Sale::row()).
    void insert(const QString &table, const QList<JetColumn> &columns, const QList<JetValue> &row);
    // Runs a statement without result.
    void run(const QString &sql, const std::vector<db::Argument> &arguments = {});

    static QString postgresType(const JetColumn &column);

private:
    std::unique_ptr<db::ProviderConnection> m_database;
};
