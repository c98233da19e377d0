#pragma once

#include "ExportRecorder.h"
#include "JetColumn.h"
#include "JetValue.h"
#include "TADOConnection.h"
#include "TADOQuery.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

struct FormatSettings;

// Process formats unlike an export's own, so that a file shows the run's
// formats: decimal point, "," for thousands, "/" in dates, "$", and the
// given time separator.
FormatSettings foreignProcessFormats(QChar timeSeparator);

// One table of a test database: its columns and rows.
struct TestTable
{
    QString name;
    QList<JetColumn> columns;
    QList<QList<JetValue>> rows;
};

// The table Zahlen: ID (Long) 1 to `rows`, Name (Text) "Zeile <ID>".
TestTable numbersTable(int rows);

// A folder of its own with an .mdb file made by our Jet writer, read back
// through the Access provider, and a query open on it.
class ExportTestDatabase
{
public:
    ExportTestDatabase();

    const QString &folder() const { return m_folderPath; }
    QString path(const QString &name) const { return m_folderPath + u'/' + name; }

    // Writes the database file and connects to it.
    void create(const QList<TestTable> &tables);
    // Opens `sql` on the connection (closing what was open).
    db::TADOQuery &open(const QString &sql);
    db::TADOQuery &query() { return m_query; }

    static QByteArray readFile(const QString &path);
    // The files of the folder, the database file left out.
    QStringList files() const;

private:
    QTemporaryDir m_dir;
    QString m_folderPath;
    db::TADOConnection m_connection;
    db::TADOQuery m_query;
};
