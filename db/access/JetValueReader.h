#pragma once

#include "JetLongValueReader.h"
#include "JetRow.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

namespace db {

class JetFile;
struct JetColumnDef;

// Turns the stored bytes of a column into a value: the numbers as Jet
// keeps them (little-endian integers, IEEE floats, currency as a count of
// ten-thousandths, Numeric as sign and 96-bit magnitude), texts from UCS-2
// or Jet 4's compressed form, long values through their long-value pages.
// Only what is asked for is decoded; the buffers are reused from row to row.
class JetValueReader
{
public:
    // How a column's values are handed on.
    enum class Storage { Integer, Real, Decimal, Text, Blob };
    static Storage storageOf(const JetColumnDef &column);

    explicit JetValueReader(JetFile &file);

    qint64 integer(const JetColumnDef &column, const JetRow::Field &field) const;
    double real(const JetColumnDef &column, const JetRow::Field &field) const;
    // A Numeric value exactly, as decimal text: a minus for negative values,
    // "." before the fraction, no zeros ending the fraction and no "."
    // ending the text ("-12.5", "100", "0").
    static QByteArray numericText(const JetColumnDef &column, const JetRow::Field &field);
    // Little-endian UTF-16, valid until the next call.
    QByteArrayView text(const JetColumnDef &column, const JetRow::Field &field);
    // Valid until the next call.
    QByteArrayView blob(const JetColumnDef &column, const JetRow::Field &field);

    QString textAsString(const JetColumnDef &column, const JetRow::Field &field);
    // Stored text (UCS-2, or Jet 4's compressed form) as little-endian
    // UTF-16, valid until the next call.
    QByteArrayView unicode(QByteArrayView stored);

    // Single values as the shortest decimal that reads back as the same
    // single: 0.1f gives 0.1, not 0.100000001490116.
    static double singleToDouble(float value);

private:
    QByteArrayView guidText(const uchar *bytes);

    JetFile &m_file;
    JetLongValueReader m_longValues;
    std::vector<char16_t> m_units;
};

} // namespace db
