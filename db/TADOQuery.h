#pragma once

#include "ProviderConnection.h"
#include "SqlText.h"
#include "TField.h"
#include "TParameters.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace db {

class TADOConnection;

enum CursorType { ctUnspecified, ctOpenForwardOnly, ctKeyset, ctDynamic, ctStatic };

// A parameterised query on a connection. Opening runs the text with the
// current parameter values; the rows then stream from the provider: the
// first row is current, next() moves on, eof() turns true past the last row.
// Nothing but the current row is held in memory.
class TADOQuery
{
public:
    explicit TADOQuery(TADOConnection *connection = nullptr);
    ~TADOQuery();
    TADOQuery(const TADOQuery &) = delete;
    TADOQuery &operator=(const TADOQuery &) = delete;

    TADOConnection *connection() const { return m_connection; }
    void setConnection(TADOConnection *connection);

    // The text; lines are joined by line breaks. Closes the query and
    // declares its parameters anew.
    void setSql(const QStringList &lines);
    void setSql(const QString &text);
    const QString &sql() const { return m_sql; }
    TParameters &parameters() { return m_parameters; }

    CursorType cursorType() const { return m_cursorType; }
    void setCursorType(CursorType type) { m_cursorType = type; }
    bool prepared() const { return m_prepared; }
    void setPrepared(bool prepared) { m_prepared = prepared; }

    // Throws QueryError with the provider's text; the query then stays closed.
    void open();
    void close();
    bool isActive() const { return m_cursor != nullptr; }
    // True when the open query has no row.
    bool isEmpty();

    bool eof();
    void next();
    void first();
    qint64 recordCount();

    using Bookmark = qint64;
    Bookmark bookmark() const { return m_rowIndex; }
    // Returns to the row of `bookmark`; the rows are read again from the
    // provider only when the query is used after the return.
    void gotoBookmark(Bookmark bookmark);

    void disableControls() { ++m_disableCount; }
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    TField &field(int index);
    // nullptr when there is no such field; names compare without regard to case.
    TField *findField(const QString &name);
    // Throws Error "Das Feld '%s' wurde nicht gefunden".
    TField &fieldByName(const QString &name);

private:
    friend class TField;
    const Value &currentValue(int index);
    std::vector<Argument> arguments() const;
    void execute();
    void fetchRow();
    void reposition();
    void requireActive() const;

    TADOConnection *m_connection = nullptr;
    QString m_sql;
    SqlText m_parsed;
    TParameters m_parameters;
    CursorType m_cursorType = ctKeyset;
    bool m_prepared = false;

    std::unique_ptr<Cursor> m_cursor;
    std::vector<Argument> m_openArguments;
    bool m_hasRows = false;
    std::vector<TField> m_fields;
    std::vector<Value> m_row;
    std::vector<bool> m_loaded;
    bool m_eof = true;
    qint64 m_rowIndex = 0;
    qint64 m_recordCount = -1;
    qint64 m_pendingBookmark = -1;
    int m_disableCount = 0;
};

} // namespace db
