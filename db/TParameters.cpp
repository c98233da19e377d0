#include "TParameters.h"

#include "Error.h"

namespace db {

TParameter *TParameters::findParam(const QString &name)
{
    for (TParameter &p : m_items) {
        if (p.name().compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    }
    return nullptr;
}

TParameter &TParameters::paramByName(const QString &name)
{
    if (TParameter *p = findParam(name))
        return *p;
    throw Error(QStringLiteral("Parameter '%1' nicht gefunden").arg(name));
}

void TParameters::reset(const std::vector<QString> &names)
{
    std::vector<TParameter> items;
    items.reserve(names.size());
    for (const QString &name : names) {
        if (const TParameter *old = findParam(name))
            items.push_back(*old);
        else
            items.emplace_back(name);
    }
    m_items = std::move(items);
}

} // namespace db
