#include "SqlScanner.h"

namespace db {

qsizetype SqlScanner::quotedEnd(qsizetype start, QChar close) const
{
    const qsizetype n = m_text.size();
    qsizetype i = start + 1;
    while (i < n) {
        if (m_text.at(i) == close) {
            if (i + 1 < n && m_text.at(i + 1) == close) { // doubled: part of the text
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return n;
}

SqlScanner::Piece SqlScanner::next()
{
    const qsizetype n = m_text.size();
    const qsizetype start = m_position;
    const QChar c = m_text.at(start);
    const QChar following = start + 1 < n ? m_text.at(start + 1) : QChar();
    Kind kind = Other;
    qsizetype end = start + 1;
    if (c == u'\'' || c == u'"') {
        kind = Quoted;
        end = quotedEnd(start, c);
    } else if (c == u'[') {
        kind = Quoted;
        end = quotedEnd(start, u']');
    } else if (c == u'-' && following == u'-') {
        kind = Comment;
        const qsizetype eol = m_text.indexOf(u'\n', start);
        end = eol < 0 ? n : eol;
    } else if (c == u'/' && following == u'*') {
        kind = Comment;
        const qsizetype close = m_text.indexOf(QLatin1String("*/"), start + 2);
        end = close < 0 ? n : close + 2;
    } else if (isWordStart(c)) {
        kind = Word;
        while (end < n && isWordPart(m_text.at(end)))
            ++end;
    }
    m_position = end;
    return {kind, start, end, QStringView(m_text).mid(start, end - start)};
}

} // namespace db
