#include "SqlText.h"

#include <algorithm>

namespace db {

namespace {

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isNamePart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// Index just past the literal, name or comment that starts at `i`, or `i`
// when none starts there.
qsizetype skipQuoted(const QString &text, qsizetype i)
{
    const QChar c = text.at(i);
    const qsizetype n = text.size();
    if (c == u'\'' || c == u'"') {
        qsizetype j = i + 1;
        while (j < n) {
            if (text.at(j) == c) {
                if (j + 1 < n && text.at(j + 1) == c) {
                    j += 2; // doubled quote inside the literal
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return n;
    }
    if (c == u'[') {
        const qsizetype close = text.indexOf(u']', i + 1);
        return close < 0 ? n : close + 1;
    }
    if (c == u'-' && i + 1 < n && text.at(i + 1) == u'-') {
        const qsizetype eol = text.indexOf(u'\n', i);
        return eol < 0 ? n : eol;
    }
    if (c == u'/' && i + 1 < n && text.at(i + 1) == u'*') {
        const qsizetype close = text.indexOf(QStringLiteral("*/"), i + 2);
        return close < 0 ? n : close + 2;
    }
    return i;
}

} // namespace

SqlText SqlText::parse(const QString &text)
{
    SqlText result;
    result.positional.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype skipped = skipQuoted(text, i);
        if (skipped != i) {
            result.positional += QStringView(text).mid(i, skipped - i);
            i = skipped;
            continue;
        }
        const QChar c = text.at(i);
        if (c == u':' && i + 1 < n && text.at(i + 1) == u':') {
            result.positional += QStringLiteral("::");
            i += 2;
            continue;
        }
        if (c == u':' && i + 1 < n && isNameStart(text.at(i + 1))) {
            qsizetype end = i + 2;
            while (end < n && isNamePart(text.at(end)))
                ++end;
            const QString name = text.mid(i + 1, end - i - 1);
            result.markers.push_back(name);
            const bool known = std::any_of(result.names.begin(), result.names.end(), [&](const QString &other) {
                return other.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (!known)
                result.names.push_back(name);
            result.positional += u'?';
            i = end;
            continue;
        }
        result.positional += c;
        ++i;
    }
    return result;
}

} // namespace db
