#include "ConnectionString.h"

namespace db {

namespace {

// Reads one value starting at `pos`; quoted values end at their closing
// quote, plain ones at the next ";".
QString readValue(const QString &text, qsizetype &pos)
{
    const qsizetype start = pos;
    qsizetype first = pos;
    while (first < text.size() && text.at(first) == u' ')
        ++first;
    if (first < text.size() && (text.at(first) == u'"' || text.at(first) == u'\'')) {
        const QChar quote = text.at(first);
        const qsizetype close = text.indexOf(quote, first + 1);
        if (close >= 0) {
            qsizetype after = close + 1;
            while (after < text.size() && text.at(after) == u' ')
                ++after;
            if (after == text.size() || text.at(after) == u';') {
                pos = after + 1;
                return text.mid(first + 1, close - first - 1);
            }
        }
    }
    qsizetype end = text.indexOf(u';', start);
    if (end < 0)
        end = text.size();
    pos = end + 1;
    return text.mid(start, end - start);
}

} // namespace

ConnectionString ConnectionString::parse(const QString &text)
{
    ConnectionString result;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype equals = text.indexOf(u'=', pos);
        const qsizetype semicolon = text.indexOf(u';', pos);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            // a piece without "=" carries no setting
            pos = semicolon < 0 ? text.size() : semicolon + 1;
            continue;
        }
        const QString key = text.mid(pos, equals - pos).trimmed();
        pos = equals + 1;
        QString value = readValue(text, pos);
        if (!key.isEmpty())
            result.m_pairs.emplace_back(key, std::move(value));
    }
    return result;
}

bool ConnectionString::contains(const QString &key) const
{
    for (const auto &[k, v] : m_pairs) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString ConnectionString::value(const QString &key) const
{
    for (const auto &[k, v] : m_pairs) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    }
    return {};
}

} // namespace db
