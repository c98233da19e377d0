#include "TADOQuery.h"

#include "DatabaseError.h"
#include "TADOConnection.h"

namespace db {

TADOQuery::TADOQuery(TADOConnection *connection)
{
    setConnection(connection);
}

TADOQuery::~TADOQuery()
{
    setConnection(nullptr);
}

void TADOQuery::setConnection(TADOConnection *connection)
{
    if (connection == m_connection)
        return;
    close();
    if (m_connection)
        m_connection->detach(this);
    m_connection = connection;
    if (m_connection)
        m_connection->attach(this);
}

void TADOQuery::setSql(const QStringList &lines)
{
    setSql(lines.join(QStringLiteral("\r\n")));
}

void TADOQuery::setSql(const QString &text)
{
    close();
    m_sql = text;
    m_parsed = SqlText::parse(text);
    m_parameters.reset(m_parsed.names);
}

std::vector<Argument> TADOQuery::arguments() const
{
    std::vector<Argument> result;
    result.reserve(m_parsed.markers.size());
    auto &parameters = const_cast<TParameters &>(m_parameters);
    for (const QString &name : m_parsed.markers) {
        const TParameter &p = parameters.paramByName(name);
        result.push_back({p.dataType(), p.value()});
    }
    return result;
}

void TADOQuery::open()
{
    if (isActive())
        return;
    if (!m_connection)
        throw Error(QStringLiteral("Die Abfrage hat keine Datenbankverbindung."));
    m_openArguments = arguments();
    try {
        execute();
    } catch (const QueryError &) {
        throw;
    } catch (const Error &failure) {
        throw QueryError(failure.message());
    }
    const std::vector<FieldDef> &defs = m_cursor->fields();
    m_fields.clear();
    m_fields.reserve(defs.size());
    for (std::size_t i = 0; i < defs.size(); ++i)
        m_fields.emplace_back(this, static_cast<int>(i), defs[i]);
    m_hasRows = !m_eof;
    m_recordCount = -1;
}

void TADOQuery::execute()
{
    std::unique_ptr<Cursor> cursor = m_connection->provider().execute(m_parsed.positional, m_openArguments);
    m_row.assign(cursor->fields().size(), Value());
    m_loaded.assign(cursor->fields().size(), false);
    m_cursor = std::move(cursor);
    m_rowIndex = 0;
    m_pendingBookmark = -1;
    try {
        fetchRow();
    } catch (...) {
        m_cursor.reset();
        throw;
    }
}

namespace {

// A failure of the provider while the rows are read (a damaged table met on
// the way) is a failure of the query, as one met when it was opened: the
// database is at fault, not the file an export writes.
template <typename Read>
auto readingRows(Read read) -> decltype(read())
{
    try {
        return read();
    } catch (const QueryError &) {
        throw;
    } catch (const DataError &) {
        throw;
    } catch (const ConnectionError &) {
        throw;
    } catch (const Error &failure) {
        throw QueryError(failure.message());
    }
}

} // namespace

void TADOQuery::fetchRow()
{
    m_eof = !readingRows([this] { return m_cursor->fetch(); });
    std::fill(m_loaded.begin(), m_loaded.end(), false);
}

void TADOQuery::close()
{
    m_cursor.reset();
    m_fields.clear();
    m_row.clear();
    m_loaded.clear();
    m_eof = true;
    m_hasRows = false;
    m_rowIndex = 0;
    m_pendingBookmark = -1;
    m_recordCount = -1;
}

void TADOQuery::requireActive() const
{
    if (!m_cursor)
        throw Error(QStringLiteral("Die Abfrage ist nicht geöffnet."));
}

bool TADOQuery::isEmpty()
{
    return !isActive() || !m_hasRows;
}

bool TADOQuery::eof()
{
    if (!isActive())
        return true;
    reposition();
    return m_eof;
}

void TADOQuery::next()
{
    requireActive();
    reposition();
    if (m_eof)
        return;
    ++m_rowIndex;
    fetchRow();
}

void TADOQuery::first()
{
    gotoBookmark(0);
}

qint64 TADOQuery::recordCount()
{
    requireActive();
    if (m_recordCount < 0)
        m_recordCount = m_hasRows ? readingRows([this] {
            return m_connection->provider().countRows(m_parsed.positional, m_openArguments);
        })
                                  : 0;
    return m_recordCount;
}

void TADOQuery::gotoBookmark(Bookmark bookmark)
{
    requireActive();
    m_pendingBookmark = bookmark == m_rowIndex ? -1 : bookmark;
}

void TADOQuery::reposition()
{
    if (m_pendingBookmark < 0)
        return;
    const qint64 target = m_pendingBookmark;
    if (target < m_rowIndex)
        execute();
    while (!m_eof && m_rowIndex < target) {
        ++m_rowIndex;
        fetchRow();
    }
    m_pendingBookmark = -1;
}

void TADOQuery::enableControls()
{
    if (m_disableCount > 0)
        --m_disableCount;
}

TField &TADOQuery::field(int index)
{
    requireActive();
    return m_fields.at(static_cast<std::size_t>(index));
}

TField *TADOQuery::findField(const QString &name)
{
    for (TField &f : m_fields) {
        if (f.fieldName().compare(name, Qt::CaseInsensitive) == 0)
            return &f;
    }
    return nullptr;
}

TField &TADOQuery::fieldByName(const QString &name)
{
    if (TField *f = findField(name))
        return *f;
    throw Error(QStringLiteral("Das Feld '%1' wurde nicht gefunden").arg(name));
}

const Value &TADOQuery::currentValue(int index)
{
    static const Value null;
    if (!m_cursor)
        return null;
    reposition();
    if (m_eof)
        return null;
    const auto i = static_cast<std::size_t>(index);
    if (!m_loaded[i]) {
        m_row[i] = readingRows([this, index] { return m_cursor->value(index); });
        m_loaded[i] = true;
    }
    return m_row[i];
}

} // namespace db
