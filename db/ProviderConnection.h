#pragma once

#include "Cursor.h"
#include "FieldType.h"
#include "Value.h"

#include <QString>

#include <memory>
#include <vector>

namespace db {

// A parameter value as a provider binds it: the declared type decides the
// type the value is bound as (a double day number declared ftDateTime is
// bound as a date-time).
struct Argument
{
    FieldType declaredType = ftUnknown;
    Value value;
};

// An open connection of one provider (an Access file, a SQL Server catalog).
class ProviderConnection
{
public:
    virtual ~ProviderConnection() = default;

    // Runs `sql`, whose parameters are "?" markers, with `arguments` bound
    // in marker order. Throws Error with the provider's text on failure.
    virtual std::unique_ptr<Cursor> execute(const QString &sql, const std::vector<Argument> &arguments) = 0;
    // The number of rows `sql` gives. This default runs the query once more
    // and counts; providers may do better.
    virtual qint64 countRows(const QString &sql, const std::vector<Argument> &arguments);
};

} // namespace db
