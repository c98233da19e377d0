#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <optional>

// Reads a comma-separated file (UTF-8, fields quoted with " where they hold
// commas, quotes or line breaks, "" for a quote) one record at a time. A field
// is NULL when it is empty and unquoted; a quoted empty field is the empty text.
class CsvReader
{
public:
    struct Field
    {
        QString text;
        bool quoted = false;
        bool isNull() const { return !quoted && text.isEmpty(); }
    };

    // Throws Error when the file cannot be opened.
    explicit CsvReader(const QString &path);

    // The next record, or nothing at the end of the file. Throws Error on an
    // unterminated quote.
    std::optional<QList<Field>> next();
    // Line number where the last record returned started.
    qint64 recordLine() const { return m_recordLine; }

private:
    bool fill();
    int peek();
    int get();

    QFile m_file;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_line = 1;
    qint64 m_recordLine = 0;
    bool m_started = false;
};
