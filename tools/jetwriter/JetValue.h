#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <variant>

// One field value handed to the writer. What it may hold, and into which
// column types it goes:
//
//   null            any column (a NULL Boolean is stored as No: Jet has no NULL there)
//   bool            Boolean
//   integer         Boolean (0 = No), Byte, Integer, Long, Currency (whole units),
//                   Single, Double, DateTime (whole days)
//   double          Single, Double, Currency (rounded to 1/10000), DateTime (OLE
//                   day number), and the integer types when it has no fraction
//   text            Text, Memo; Decimal as its exact digits ("-1234.5678")
//   integer, double Decimal too (a double by its shortest decimal text)
//   bytes           Binary, Ole
//   date-time       DateTime: an OLE day number, made by oleDate() or from a QDateTime
//                   (its date and time as they stand; an invalid one is null)
//   currency        Currency: an exact count of ten-thousandths, made by currency()
//
// A value that does not fit its column (text too long, number out of range,
// wrong kind) makes addRow() throw Error naming the table and column.
class JetValue
{
public:
    enum class Kind { Null, Bool, Integer, Double, Text, Bytes, DateTime, Currency };

    JetValue() = default;
    JetValue(std::nullptr_t) {}
    JetValue(bool value) : m_value(value) {}
    JetValue(int value) : m_value(qint64(value)) {}
    JetValue(unsigned value) : m_value(qint64(value)) {}
    JetValue(long value) : m_value(qint64(value)) {}
    JetValue(qint64 value) : m_value(value) {}
    JetValue(float value) : m_value(double(value)) {}
    JetValue(double value) : m_value(value) {}
    JetValue(const QString &text) : m_value(text) {}
    JetValue(const char *utf8) : m_value(QString::fromUtf8(utf8)) {}
    JetValue(const QDateTime &dateTime);

    // A date-time as an OLE Automation day number (days since 30 December
    // 1899; negative numbers count backwards, their fraction forwards).
    static JetValue oleDate(double day);
    // A currency amount as an exact count of ten-thousandths (12.3456 = 123456).
    static JetValue currency(qint64 tenThousandths);
    static JetValue bytes(const QByteArray &data);

    Kind kind() const;
    bool isNull() const { return kind() == Kind::Null; }

    bool toBool() const { return std::get<bool>(m_value); }
    qint64 toInteger() const { return std::get<qint64>(m_value); }
    double toDouble() const { return std::get<double>(m_value); }
    const QString &toText() const { return std::get<QString>(m_value); }
    const QByteArray &toBytes() const { return std::get<QByteArray>(m_value); }
    double toOleDate() const { return std::get<DateTimeValue>(m_value).day; }
    qint64 toCurrency() const { return std::get<CurrencyValue>(m_value).tenThousandths; }

private:
    struct DateTimeValue { double day; };
    struct CurrencyValue { qint64 tenThousandths; };

    std::variant<std::monostate, bool, qint64, double, QString, QByteArray, DateTimeValue, CurrencyValue> m_value;
};
