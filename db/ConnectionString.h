#pragma once

#include <QString>

#include <utility>
#include <vector>

namespace db {

// An OLE DB connection string: key=value pairs split at ";". Keys are
// trimmed and compared without regard to case; values are kept exactly as
// written (a value in double or single quotes loses the quotes and may then
// hold ";").
class ConnectionString
{
public:
    static ConnectionString parse(const QString &text);

    bool contains(const QString &key) const;
    // The value of `key`, or an empty text when the key is missing.
    QString value(const QString &key) const;
    const std::vector<std::pair<QString, QString>> &pairs() const { return m_pairs; }

private:
    std::vector<std::pair<QString, QString>> m_pairs;
};

} // namespace db
