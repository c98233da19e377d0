#include "ExportTestDatabase.h"

#include "FormatSettings.h"
#include "JetDatabaseWriter.h"
#include "RegisterTestDatabase.h"

#include <QDir>
#include <QFile>

TestTable numbersTable(int rows)
{
    TestTable t{QStringLiteral("Zahlen"), {JetColumn::of(QStringLiteral("ID"), JetType::Long), JetColumn::text(QStringLiteral("Name"), 20)}, {}};
    for (int i = 1; i <= rows; ++i)
        t.rows.append({i, QStringLiteral("Zeile %1").arg(i)});
    return t;
}

FormatSettings foreignProcessFormats(QChar timeSeparator)
{
    FormatSettings s;
    s.decimalSeparator = u'.';
    s.thousandSeparator = u',';
    s.dateSeparator = u'/';
    s.timeSeparator = timeSeparator;
    s.currencyString = QStringLiteral("$");
    s.shortDateFormat = QStringLiteral("dd/mm/yyyy");
    s.longTimeFormat = QStringLiteral("hh:nn:ss");
    return s;
}

ExportTestDatabase::ExportTestDatabase()
    : m_folderPath(m_dir.path())
    , m_query(&m_connection)
{
}

void ExportTestDatabase::create(const QList<TestTable> &tables)
{
    const QString file = path(QStringLiteral("Kasse.mdb"));
    {
        JetDatabaseWriter writer(file);
        for (const TestTable &table : tables) {
            JetTable t = writer.addTable(table.name, table.columns);
            for (const QList<JetValue> &row : table.rows)
                t.addRow(row);
        }
        writer.finish();
    }
    m_connection.setConnected(false);
    m_connection.setConnectionString(RegisterTestDatabase::connectionString(file, QString()));
    m_connection.setConnected(true);
}

db::TADOQuery &ExportTestDatabase::open(const QString &sql)
{
    m_query.close();
    m_query.setSql(sql);
    m_query.open();
    return m_query;
}

QByteArray ExportTestDatabase::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

QStringList ExportTestDatabase::files() const
{
    QStringList names = QDir(m_folderPath).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    names.removeAll(QStringLiteral("Kasse.mdb"));
    return names;
}
