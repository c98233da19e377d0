#pragma once

#include "TParameter.h"

#include <QString>

#include <vector>

namespace db {

// The parameter list of a query, taken from the ":name" markers of its text
// (markers inside string literals and comments do not count).
class TParameters
{
public:
    int count() const { return static_cast<int>(m_items.size()); }
    TParameter &at(int index) { return m_items.at(index); }
    const TParameter &at(int index) const { return m_items.at(index); }
    // Case-insensitive; nullptr when there is none.
    TParameter *findParam(const QString &name);
    // Throws Error "Parameter '%s' nicht gefunden".
    TParameter &paramByName(const QString &name);

    // Declares the parameters of a new query text, keeping the type and the
    // value of a parameter that was already declared under that name.
    void reset(const std::vector<QString> &names);

private:
    std::vector<TParameter> m_items;
};

} // namespace db
