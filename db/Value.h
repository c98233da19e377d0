#pragma once

#include <QByteArray>
#include <QString>

#include <variant>

struct FormatSettings;

namespace db {

// One value of a field or a parameter: Null, a boolean, an integer, a
// floating-point number, a date-time (an OLE Automation day number: days
// since 30 December 1899), a text or bytes.
class Value
{
public:
    enum Kind { Null, Boolean, Integer, Double, DateTime, String, Bytes };

    Value() = default;
    static Value fromBool(bool b) { return Value(Boolean, b); }
    static Value fromInt(qint64 i) { return Value(Integer, i); }
    static Value fromDouble(double d) { return Value(Double, d); }
    static Value fromDateTime(double day) { return Value(DateTime, day); }
    static Value fromString(QString s) { return Value(String, std::move(s)); }
    static Value fromBytes(QByteArray b) { return Value(Bytes, std::move(b)); }

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Null; }

    bool toBool() const;
    qint64 toInt() const;
    // Numbers, booleans and date-times as a double; texts parsed.
    double toDouble() const;
    const QString &stringRef() const;
    const QByteArray &bytesRef() const;

    // The variant-to-text conversion: Null raises DataError
    // "Could not convert variant of type (Null) into type (String)".
    QString toText() const;
    // The same with the given separators and formats for numbers and
    // date-times.
    QString toText(const FormatSettings &settings) const;
    // Name of the kind as the conversion errors name it ("Null", "String", ...).
    static const char *kindName(Kind kind);

    bool operator==(const Value &other) const = default;

private:
    using Storage = std::variant<std::monostate, bool, qint64, double, QString, QByteArray>;
    template <typename T>
    Value(Kind kind, T &&v) : m_kind(kind), m_data(std::forward<T>(v)) {}

    Kind m_kind = Null;
    Storage m_data;
};

} // namespace db
