#pragma once

#include "FieldType.h"
#include "Value.h"

#include <QString>

namespace db {

// A named query parameter with its declared type. Setting a value converts
// it to the declared type; a parameter given no value stays Null, and a
// comparison with Null matches no row.
class TParameter
{
public:
    TParameter(QString name, FieldType dataType = ftUnknown) : m_name(std::move(name)), m_dataType(dataType) {}

    const QString &name() const { return m_name; }
    FieldType dataType() const { return m_dataType; }
    void setDataType(FieldType type);

    const Value &value() const { return m_value; }
    void setValue(const Value &value);
    void setNull() { m_value = Value(); }

private:
    QString m_name;
    FieldType m_dataType;
    Value m_value;
};

} // namespace db
