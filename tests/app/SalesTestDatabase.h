#pragma once

#include "JetValue.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// One cash-sale position of the register's tables, with the columns the
// exports select by; the others get fixed values.
struct Sale
{
    int id = 1;                 // ID_Barverkaufspositionen
    int receipt = 1;            // Barverkauf_nr
    int company = 1;            // Firma
    int cashRegister = 1;       // Kassa
    QDateTime settled;          // Tagesabrechnung
    int status = 1;             // Status
    int paymentType = 0;        // Zahlungsart
    int period = 1;             // Periode_bv
    JetValue certificate;       // Signaturzertifikat
    JetValue authorities;       // Zertifizierungsstellen
    JetValue signature;         // JWSSignatur
};

// A folder of its own holding a register database written by our Jet
// writer, with the tables Barverkaeufe (shop edition), BarverkaeufeGastro
// (gastro edition) and Protokoll as the register programs lay them out.
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
