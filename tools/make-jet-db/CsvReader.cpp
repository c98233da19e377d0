#include "CsvReader.h"

#include "Error.h"

CsvReader::CsvReader(const QString &path) : m_file(path)
{
    if (!m_file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("cannot open the CSV file \"%1\": %2").arg(path, m_file.errorString()));
}

bool CsvReader::fill()
{
    if (m_pos < m_buffer.size())
        return true;
    m_buffer = m_file.read(1 << 16);
    m_pos = 0;
    return !m_buffer.isEmpty();
}

int CsvReader::peek()
{
    return fill() ? quint8(m_buffer[m_pos]) : -1;
}

int CsvReader::get()
{
    if (!fill())
        return -1;
    const int c = quint8(m_buffer[m_pos++]);
    if (c == '\n')
        ++m_line;
    return c;
}

std::optional<QList<CsvReader::Field>> CsvReader::next()
{
    // Skip a byte order mark at the start and blank lines between records.
    if (!m_started) {
        m_started = true;
        if (fill() && m_buffer.startsWith("\xEF\xBB\xBF"))
            m_pos = 3;
    }
    while (peek() == '\r' || peek() == '\n')
        get();
    if (peek() < 0)
        return std::nullopt;

    m_recordLine = m_line;
    QList<Field> fields;
    QByteArray bytes;
    Field field;
    for (;;) {
        int c = get();
        if (c == '"' && bytes.isEmpty() && !field.quoted) {
            field.quoted = true;
            for (;;) {
                c = get();
                if (c < 0)
                    throw Error(QStringLiteral("line %1: a quoted field is not closed").arg(m_recordLine));
                if (c == '"') {
                    if (peek() == '"') {
                        get();
                        bytes.append('"');
                        continue;
                    }
                    break;
                }
                bytes.append(char(c));
            }
            continue;
        }
        if (c < 0 || c == ',' || c == '\n' || c == '\r') {
            field.text = QString::fromUtf8(bytes);
            fields.append(field);
            bytes.clear();
            field = Field();
            if (c == ',')
                continue;
            if (c == '\r' && peek() == '\n')
                get();
            return fields;
        }
        bytes.append(char(c));
    }
}
