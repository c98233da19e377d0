#include "JetTableLayout.h"

#include "Error.h"
#include "JetDataPage.h"

#include <QSet>
#include <QtEndian>

namespace {

constexpr int maxNameLength = 64;
constexpr int maxColumns = 255;
constexpr int columnEntrySize = 25;
constexpr int columnsStart = 63;
constexpr int pageHeaderSize = 8;
constexpr quint16 generalSortOrder = 0x0409;

int fixedSizeOf(JetType type)
{
    switch (type) {
    case JetType::Boolean: return 0;
    case JetType::Byte: return 1;
    case JetType::Integer: return 2;
    case JetType::Long:
    case JetType::Single: return 4;
    case JetType::Currency:
    case JetType::Double:
    case JetType::DateTime: return 8;
    case JetType::Decimal: return 17;
    default: return -1; // variable length
    }
}

bool isTextual(JetType type)
{
    return type == JetType::Text || type == JetType::Memo;
}

void checkName(const QString &what, const QString &name)
{
    if (name.trimmed().isEmpty())
        throw Error(QStringLiteral("%1 has no name").arg(what));
    if (name.size() > maxNameLength)
        throw Error(QStringLiteral("%1 \"%2\": a name may have at most %3 characters").arg(what, name).arg(maxNameLength));
    // Access does not allow these in object names.
    static const QString forbidden = QStringLiteral(".![]`");
    for (QChar c : name)
        if (forbidden.contains(c) || c.unicode() < 0x20)
            throw Error(QStringLiteral("%1 \"%2\": a name may not contain . ! ` [ ] or control characters").arg(what, name));
    if (name.front().isSpace())
        throw Error(QStringLiteral("%1 \"%2\": a name may not start with a space").arg(what, name));
}

template<typename T>
void put(QByteArray &out, int offset, T value)
{
    qToLittleEndian<T>(value, out.data() + offset);
}

} // namespace

JetTableLayout::JetTableLayout(QString tableName, const QList<JetColumn> &columns)
    : m_tableName(std::move(tableName))
{
    checkName(QStringLiteral("A table"), m_tableName);
    const QString where = QStringLiteral("Table \"%1\"").arg(m_tableName);
    if (columns.isEmpty())
        throw Error(QStringLiteral("%1 has no columns").arg(where));
    if (columns.size() > maxColumns)
        throw Error(QStringLiteral("%1 has more than %2 columns").arg(where).arg(maxColumns));

    QSet<QString> names;
    for (const JetColumn &definition : columns) {
        checkName(QStringLiteral("%1, a column").arg(where), definition.name);
        if (names.contains(definition.name.toCaseFolded()))
            throw Error(QStringLiteral("%1 has two columns named \"%2\"").arg(where, definition.name));
        names.insert(definition.name.toCaseFolded());

        Column column;
        column.definition = definition;
        column.number = int(m_columns.size());
        const int fixedSize = fixedSizeOf(definition.type);
        if (definition.type == JetType::Decimal
            && (definition.precision < 1 || definition.precision > 28 || definition.scale < 0
                || definition.scale > definition.precision))
            throw Error(QStringLiteral("%1, column \"%2\": Decimal(%3,%4) has no precision of 1 to 28 digits and scale "
                                       "up to the precision")
                            .arg(where, definition.name)
                            .arg(definition.precision)
                            .arg(definition.scale));
        if (fixedSize > 0 && definition.variableStorage) {
            column.varIndex = m_varCount++;
            column.fixedSize = fixedSize;
            column.storedSize = fixedSize;
        } else if (fixedSize >= 0) {
            column.fixed = true;
            column.fixedOffset = m_fixedAreaSize;
            column.fixedSize = fixedSize;
            column.storedSize = definition.type == JetType::Boolean ? 1 : fixedSize;
            m_fixedAreaSize += fixedSize;
        } else {
            column.varIndex = m_varCount++;
            if (definition.type == JetType::Text || definition.type == JetType::Binary) {
                if (definition.size < 1 || definition.size > 255)
                    throw Error(QStringLiteral("%1, column \"%2\": the size must be 1 to 255, not %3")
                                    .arg(where, definition.name)
                                    .arg(definition.size));
                // Jet 4 counts text sizes in bytes of UCS-2.
                column.storedSize = definition.type == JetType::Text ? 2 * definition.size : definition.size;
            }
        }
        m_columns.append(column);
    }
}

QByteArray JetTableLayout::definition(quint32 rowCount, quint32 usageMap, quint32 freeSpaceMap, bool systemTable) const
{
    const int columnCount = int(m_columns.size());
    QByteArray out(columnsStart + columnCount * columnEntrySize, '\0');
    out[0] = 0x02;
    out[1] = 0x01;
    put<quint32>(out, 16, rowCount);
    out[24] = 0x01;
    out[40] = char(systemTable ? 0x53 : 0x4E);
    put<quint16>(out, 41, quint16(columnCount));
    put<quint16>(out, 43, quint16(m_varCount));
    put<quint16>(out, 45, quint16(columnCount));
    put<quint32>(out, 47, 0); // logical indexes
    put<quint32>(out, 51, 0); // index entries
    put<quint32>(out, 55, usageMap);
    put<quint32>(out, 59, freeSpaceMap);

    for (const Column &column : m_columns) {
        const int at = columnsStart + column.number * columnEntrySize;
        const JetType type = column.definition.type;
        out[at] = char(type);
        put<quint16>(out, at + 5, quint16(column.number));
        put<quint16>(out, at + 7, quint16(column.fixed ? 0 : column.varIndex));
        put<quint16>(out, at + 9, quint16(column.number));
        if (isTextual(type))
            put<quint16>(out, at + 11, generalSortOrder);
        if (type == JetType::Decimal) {
            out[at + 11] = char(column.definition.precision);
            out[at + 12] = char(column.definition.scale);
        }
        out[at + 15] = char((column.fixed ? 0x01 : 0x00) | 0x02);
        if (isTextual(type))
            out[at + 16] = 0x01; // compressed unicode
        put<quint16>(out, at + 21, quint16(column.fixedOffset));
        put<quint16>(out, at + 23, quint16(column.storedSize));
    }
    for (const Column &column : m_columns) {
        const QString &name = column.definition.name;
        char length[2];
        qToLittleEndian<quint16>(quint16(2 * name.size()), length);
        out.append(length, 2);
        for (QChar c : name) {
            out.append(char(c.unicode() & 0xFF));
            out.append(char(c.unicode() >> 8));
        }
    }
    out.append(char(0xFF)); // no per-column usage maps follow
    out.append(char(0xFF));
    put<quint32>(out, 8, quint32(out.size() - pageHeaderSize));
    return out;
}

int JetTableLayout::definitionPageCount() const
{
    const qsizetype size = definition(0, 0, 0, false).size();
    const qsizetype perNextPage = JetDataPage::size - pageHeaderSize;
    if (size <= JetDataPage::size)
        return 1;
    return int(1 + (size - JetDataPage::size + perNextPage - 1) / perNextPage);
}

QByteArray JetTableLayout::definitionPages(quint32 firstPage, quint32 rowCount, quint32 usageMap, quint32 freeSpaceMap,
                                           bool systemTable) const
{
    const QByteArray logical = definition(rowCount, usageMap, freeSpaceMap, systemTable);
    const int pageCount = definitionPageCount();
    QByteArray pages(pageCount * JetDataPage::size, '\0');
    qsizetype from = 0;
    for (int n = 0; n < pageCount; ++n) {
        char *page = pages.data() + n * JetDataPage::size;
        const qsizetype start = n == 0 ? 0 : pageHeaderSize;
        const qsizetype length = qMin<qsizetype>(JetDataPage::size - start, logical.size() - from);
        memcpy(page + start, logical.constData() + from, size_t(length));
        from += length;
        page[0] = 0x02;
        page[1] = 0x01;
        qToLittleEndian<quint16>(quint16(JetDataPage::size - start - length), page + 2);
        qToLittleEndian<quint32>(n + 1 < pageCount ? firstPage + n + 1 : 0, page + 4);
    }
    return pages;
}
