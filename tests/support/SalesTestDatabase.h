#pragma once

#include "Sale.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A folder of its own holding register databases written by our Jet
// writer (RegisterTestDatabase::write), for the tests that run the window
// or the program on a folder.
class SalesTestDatabase
{
public:
    SalesTestDatabase();

    // The folder as the window's folder field takes it.
    const QString &folder() const { return m_folder; }
    QString path(const QString &name) const { return m_folder + u'/' + name; }

    // Writes the database file `fileName` into the folder. A table is left
    // out when its list is empty and `withEmptyTables` is false.
    void write(const QString &fileName, const QList<Sale> &shop, const QList<Sale> &gastro,
               const QString &password = QStringLiteral("quillet"), bool withEmptyTables = true);

    // The files of the folder other than databases.
    QStringList otherFiles() const;
    QByteArray read(const QString &name) const;

private:
    QTemporaryDir m_dir;
    QString m_folder;
};
