#pragma once

#include <QString>
#include <QStringView>

namespace db {

// Splits a query text into the pieces that the database server reads: the
// one place that knows where a literal, a quoted name or a comment begins
// and ends, and which characters make a word.
//
//   - a text literal '...' and a quoted name "..." or [...], with the
//     closing character doubled inside ('it''s', [a]]b]);
//   - a comment, from "--" to the end of the line (the line break is not
//     part of it) or from "/*" to the next "*/";
//   - a word: a letter or "_", then letters, digits, "_", "@", "#" and "$"
//     (names and keywords);
//   - any other single character.
//
// A literal, quoted name or comment that is not closed runs to the end of
// the text. Typical use:
//
//     SqlScanner scanner(text);
//     while (!scanner.atEnd()) {
//         const SqlScanner::Piece piece = scanner.next();
//         ...
//     }
class SqlScanner
{
public:
    enum Kind { Quoted, Comment, Word, Other };

    struct Piece
    {
        Kind kind = Other;
        qsizetype start = 0;
        qsizetype end = 0; // just past the piece
        QStringView text;

        // The character of an Other piece, the first of the others.
        QChar first() const { return text.front(); }
    };

    // The scanner reads `text` in place: it must outlive the scanner.
    explicit SqlScanner(const QString &text) : m_text(text) {}
    explicit SqlScanner(QString &&) = delete;

    bool atEnd() const { return m_position >= m_text.size(); }
    // The piece at the current position; moves past it.
    Piece next();
    // The character at the current position, a null character at the end.
    QChar peek() const { return atEnd() ? QChar() : m_text.at(m_position); }

    static bool isWordStart(QChar c) { return c.isLetter() || c == u'_'; }
    static bool isWordPart(QChar c)
    {
        return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
    }

private:
    qsizetype quotedEnd(qsizetype start, QChar close) const;

    const QString &m_text;
    qsizetype m_position = 0;
};

} // namespace db
