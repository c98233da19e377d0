#pragma once

#include "FieldDef.h"
#include "Value.h"

#include <QString>

struct FormatSettings;

namespace db {

class TADOQuery;

// A field of an open query: its definition, display properties and the
// value in the current row.
class TField
{
public:
    TField(TADOQuery *query, int index, FieldDef def);

    int index() const { return m_index; }
    const QString &fieldName() const { return m_def.name; }
    FieldType dataType() const { return m_def.type; }
    int size() const { return m_def.size; }
    int precision() const { return m_def.precision; }
    bool required() const { return m_def.required; }
    bool readOnly() const { return m_def.readOnly; }

    // The label set on the field, else its name.
    QString displayLabel() const { return m_displayLabel.isEmpty() ? m_def.name : m_displayLabel; }
    void setDisplayLabel(const QString &label) { m_displayLabel = label; }
    int displayWidth() const { return m_displayWidth; }
    void setDisplayWidth(int width) { m_displayWidth = width; }
    Alignment alignment() const { return m_alignment; }
    void setAlignment(Alignment alignment) { m_alignment = alignment; }
    bool visible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }

    // The stored value of the current row.
    const Value &value() const;
    bool isNull() const { return value().isNull(); }
    // The plain text under the process-wide formats: stored text, decimal
    // integers, floats in general form with the decimal separator, booleans
    // "True"/"False", date-times as short date and long time (date alone at
    // midnight), decimals with every digit they hold (BCD fields with at
    // most four decimals), long texts whole, Null empty.
    QString asString() const;
    // Appends asString()'s text to `out`, so that a caller that formats
    // many values can reuse one buffer.
    void appendText(QString &out) const;
    // The same under the given separators and formats instead of the
    // process's.
    void appendText(QString &out, const FormatSettings &settings) const;
    // The value as a variant: Null stays Null, except in long-text fields,
    // which give the empty text.
    Value asVariant() const;
    // The text shown for the field; without display formats the plain text.
    QString displayText() const { return asString(); }
    QString displayText(const FormatSettings &settings) const;

private:
    QString decimalText(const Value &v, const FormatSettings &settings) const;

    TADOQuery *m_query;
    int m_index;
    FieldDef m_def;
    QString m_displayLabel;
    int m_displayWidth;
    Alignment m_alignment;
    bool m_visible = true;
};

} // namespace db
