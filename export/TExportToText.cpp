#include "TExportToText.h"

#include "TCellType.h"
#include "TField.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

bool isStringLike(db::FieldType type)
{
    return type == db::ftString || type == db::ftMemo || type == db::ftFmtMemo || db::isBlobFieldType(type);
}

} // namespace

TExportToText::TExportToText() = default;

bool TExportToText::breaksRow(const QString &text) const
{
    // One pass for the three characters, eight at a time where SSE2 is
    // there: memo texts (certificates, signatures) run to thousands.
    const char16_t separator = m_separator.isNull() ? u'\n' : m_separator.unicode();
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype size = text.size();
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i lineFeed = _mm_set1_epi16(short(u'\n'));
    const __m128i carriageReturn = _mm_set1_epi16(short(u'\r'));
    const __m128i cellSeparator = _mm_set1_epi16(short(separator));
    for (; i + 8 <= size; i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units + i));
        const __m128i found = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(eight, lineFeed),
                                                        _mm_cmpeq_epi16(eight, carriageReturn)),
                                           _mm_cmpeq_epi16(eight, cellSeparator));
        if (_mm_movemask_epi8(found) != 0)
            return true;
    }
#endif
    for (; i < size; ++i) {
        if (units[i] == u'\n' || units[i] == u'\r' || units[i] == separator)
            return true;
    }
    return false;
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
