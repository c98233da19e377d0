#include "TExportToText.h"

#include "TCellType.h"
#include "TField.h"

#include <algorithm>

namespace {

bool isStringLike(db::FieldType type)
{
    return type == db::ftString || type == db::ftMemo || type == db::ftFmtMemo || db::isBlobFieldType(type);
}

} // namespace

TExportToText::TExportToText() = default;

bool TExportToText::breaksRow(const QString &text) const
{
    // Short texts (numbers, dates, names) in one pass; on the long texts
    // of memo fields three scans with Qt's vectorised search win.
    constexpr qsizetype shortText = 32;
    if (text.size() < shortText) {
        return std::any_of(text.cbegin(), text.cend(), [this](QChar c) {
            return c == u'\n' || c == u'\r' || (c == m_separator && !m_separator.isNull());
        });
    }
    if (text.contains(u'\n') || text.contains(u'\r'))
        return true;
    return !m_separator.isNull() && text.contains(m_separator);
}

QChar TExportToText::qualifierFor(const QString &text, const CellPlace &place) const
{
    const bool inGrid = place.role == CellRole::Title || place.role == CellRole::Data || place.role == CellRole::Band;
    if (m_textQualifier.isNull())
        return inGrid && breaksRow(text) ? QChar(u'"') : QChar();

    bool quote = false;
    if (m_textQualifying == tqAny) {
        quote = true;
    } else if (!place.field) {
        quote = place.cellType == ctString;
    } else {
        const db::FieldType type = place.field->dataType();
        const bool numeric = db::isNumericFieldType(type);
        if (m_textQualifying == tqStringOnly && isStringLike(type))
            quote = true;
        else if (m_textQualifying == tqNoNumber && !numeric)
            quote = true;
        else if (numeric && !m_separator.isNull() && text.contains(m_separator))
            quote = true;
    }
    if (!quote && inGrid && breaksRow(text))
        quote = true;
    return quote ? m_textQualifier : QChar();
}

void TExportToText::appendBlanks(int count)
{
    for (int i = 0; i < count; ++i)
        appendByte(' ');
}

void TExportToText::appendQuoted(const QString &text, QChar qualifier)
{
    if (qualifier.isNull() || !text.contains(qualifier)) {
        appendText(text);
        return;
    }
    QString doubled = text;
    doubled.replace(qualifier, QString(2, qualifier));
    appendText(doubled);
}

void TExportToText::writeCell(const QString &text, const CellPlace &place)
{
    int padding = 0;
    bool padLeft = false;
    if (m_fixed) {
        padding = std::max<qsizetype>(0, columnWidth(place.position) - text.size());
        padLeft = place.field && isNumericCellField(place.field->dataType());
    }
    const QChar qualifier = qualifierFor(text, place);
    if (!qualifier.isNull())
        appendText(QStringView(&qualifier, 1));
    if (padLeft)
        appendBlanks(padding);
    appendQuoted(text, qualifier);
    if (!padLeft)
        appendBlanks(padding);
    if (!qualifier.isNull())
        appendText(QStringView(&qualifier, 1));
    if (!place.lastColumn && !m_separator.isNull() && inDataPhase() && place.role != CellRole::BlankRow)
        appendText(QStringView(&m_separator, 1));
}

void TExportToText::writeRowEnd()
{
    appendText(m_recordSeparator);
}

void TExportToText::writeFileEnd()
{
    if (m_addCtrlZ)
        writeRawByte('\x1A');
}
