#include "SalesTestDatabase.h"

#include "RegisterTestDatabase.h"

#include <QDir>
#include <QFile>

SalesTestDatabase::SalesTestDatabase() : m_folder(m_dir.path()) {}

void SalesTestDatabase::write(const QString &fileName, const QList<Sale> &shop, const QList<Sale> &gastro,
                              const QString &password, bool withEmptyTables)
{
    RegisterTestDatabase::write(path(fileName), password, shop, gastro, withEmptyTables);
}

QStringList SalesTestDatabase::otherFiles() const
{
    QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    names.removeIf([](const QString &name) { return name.endsWith(QLatin1String(".mdb")); });
    return names;
}

QByteArray SalesTestDatabase::read(const QString &name) const
{
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}
