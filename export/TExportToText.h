#pragma once

#include "TExportToCellFile.h"

#include <QChar>
#include <QString>

// Which cells get the text qualifier: all, strings and long texts only, or
// everything that is not a number.
enum TTextQualifying { tqAny, tqStringOnly, tqNoNumber };

// The text writer: cells joined by a separator (or padded to fixed widths),
// optionally enclosed in a qualifier, every row ended by RecordSeparator.
//
// A cell whose text holds the separator, a carriage return or a line feed
// would break the rows and columns of the file. When the rules below leave
// such a title or record cell unenclosed it is enclosed all the same: in the
// configured qualifier, or in double quotes when none is configured, with the
// quote characters inside doubled. Every other cell is written as it stands,
// so the register's DEP 131 files, which hold no such text, do not change.
class TExportToText : public TExportToCellFile
{
public:
    TExportToText();

    TTextQualifying textQualifying() const { return m_textQualifying; }
    void setTextQualifying(TTextQualifying qualifying) { m_textQualifying = qualifying; }
    // Appends one byte 0x1A at the end of each file.
    bool addCtrlZ() const { return m_addCtrlZ; }
    void setAddCtrlZ(bool add) { m_addCtrlZ = add; }
    // The quote character; the null character means no quoting.
    QChar textQualifier() const { return m_textQualifier; }
    void setTextQualifier(QChar qualifier) { m_textQualifier = qualifier; }
    // The field separator; the null character means none.
    QChar separator() const { return m_separator; }
    void setSeparator(QChar separator) { m_separator = separator; }
    const QString &recordSeparator() const { return m_recordSeparator; }
    void setRecordSeparator(const QString &separator) { m_recordSeparator = separator; }
    // Pads every cell with blanks to its column's width.
    bool fixed() const { return m_fixed; }
    void setFixed(bool fixed) { m_fixed = fixed; }

protected:
    void writeCell(const QString &text, const CellPlace &place) override;
    void writeRowEnd() override;
    void writeFileEnd() override;
    bool reformatsDates() const override { return true; }

private:
    // The quote character the cell is enclosed in, or the null character.
    QChar qualifierFor(const QString &text, const CellPlace &place) const;
    bool breaksRow(const QString &text) const;
    void appendQuoted(const QString &text, QChar qualifier);
    void appendBlanks(int count);

    TTextQualifying m_textQualifying = tqStringOnly;
    bool m_addCtrlZ = false;
    QChar m_textQualifier;
    QChar m_separator = u'\t';
    QString m_recordSeparator = QStringLiteral("\r\n");
    bool m_fixed = false;
};
