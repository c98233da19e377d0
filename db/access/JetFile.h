#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

namespace db {

// An Access database file opened for reading, seen as numbered pages.
// The file is opened read-only and not locked, so other programs may keep
// it open and use it meanwhile.
//
// Every failure names the data source as the connection string gave it:
// a file that cannot be read at all, anything but a regular file, and any
// page that does not look as the format says (outside the file, of the
// wrong kind), raise the Error
// "Nicht erkanntes Datenbankformat '<data source>'.". A table whose pages
// contradict its definition raises tableDamaged().
class JetFile
{
public:
    // Throws Error "Die Datei '<data source>' wurde nicht gefunden." when
    // there is no such file (or a folder of that name). A pipe, a device or
    // a socket of that name is refused without reading from it, which could
    // wait for ever.
    JetFile(const QString &localPath, const QString &dataSource);
    JetFile(const JetFile &) = delete;
    JetFile &operator=(const JetFile &) = delete;

    const QString &dataSource() const { return m_dataSource; }
    const QString &localPath() const { return m_localPath; }
    qint64 size() const { return m_size; }

    // Reads up to `length` bytes from the start of the file.
    QByteArray readStart(qint64 length);

    // Sets the page size of the format; the file must consist of whole
    // pages.
    void setPageSize(int pageSize);
    int pageSize() const { return m_pageSize; }
    quint32 pageCount() const { return m_pageCount; }
    // Whether `page` may be the target of a reference: a page of the file
    // other than page 0, the database definition, which nothing refers to.
    bool containsPage(quint32 page) const { return page != 0 && page < m_pageCount; }

    // Pages after page 0 are RC4 encoded under `key` (see JetHeaderPage);
    // readPage() decodes them. 0 for a file with plain pages.
    void setDatabaseKey(quint32 key) { m_databaseKey = key; }

    // Reads page `page` into `buffer` (pageSize() bytes), decoded; a page
    // the file does not contain raises the format error.
    void readPage(quint32 page, char *buffer);

    // "Nicht erkanntes Datenbankformat '<data source>'."
    QString formatError() const;
    // Throws Error with formatError().
    [[noreturn]] void fail() const;
    // "Die Tabelle '<table>' der Datenbank '<data source>' ist beschädigt:
    // <reason>."
    QString tableDamagedMessage(const QString &table, const QString &reason) const;
    // Throws Error with tableDamagedMessage().
    [[noreturn]] void tableDamaged(const QString &table, const QString &reason) const;

private:
    void openRegularFile();

    QString m_localPath;
    QString m_dataSource;
    QFile m_file;
    qint64 m_size = 0;
    int m_pageSize = 4096;
    quint32 m_pageCount = 0;
    quint32 m_databaseKey = 0;
};

} // namespace db
