#include "ReadAheadCursor.h"

#include "Error.h"

#include <new>

namespace db {

namespace {

constexpr size_t rowsPerBlock = 256;
constexpr size_t blocksAhead = 4;
// A failure of the inner cursor that is none of ours.
const QString unreadableRows = QStringLiteral("Die Datensätze der Abfrage konnten nicht gelesen werden.");

} // namespace

ReadAheadCursor::ReadAheadCursor(std::unique_ptr<Cursor> inner, std::shared_ptr<std::mutex> connectionLock)
    : m_inner(std::move(inner))
    , m_connectionLock(std::move(connectionLock))
    , m_fields(m_inner->fields())
{
    m_thread = std::thread([this] { readAhead(); });
}

ReadAheadCursor::~ReadAheadCursor()
{
    {
        const std::lock_guard queue(m_queueLock);
        m_stop = true;
    }
    m_queueChanged.notify_all();
    m_thread.join();
    const std::lock_guard connection(*m_connectionLock);
    m_inner.reset();
}

ReadAheadCursor::Block ReadAheadCursor::readBlock()
{
    const int columns = int(m_fields.size());
    Block block;
    const std::lock_guard connection(*m_connectionLock);
    // Everything is caught: this runs on a thread of its own, where an
    // exception would end the process.
    try {
        block.values.reserve(rowsPerBlock * size_t(columns));
        while (block.rows < rowsPerBlock) {
            if (!m_inner->fetch()) {
                block.last = true;
                break;
            }
            for (int i = 0; i < columns; ++i)
                block.values.push_back(m_inner->value(i));
            ++block.rows;
        }
    } catch (const Error &) {
        block.failure = std::current_exception();
    } catch (const std::bad_alloc &) {
        block.failure = std::current_exception();
    } catch (...) {
        try {
            block.failure = std::make_exception_ptr(Error(unreadableRows));
        } catch (...) {
            block.failure = std::current_exception();
        }
    }
    block.last = block.last || block.failure;
    return block;
}

void ReadAheadCursor::readAhead()
{
    for (;;) {
        {
            std::unique_lock queue(m_queueLock);
            m_queueChanged.wait(queue, [this] { return m_stop || m_queue.size() < blocksAhead; });
            if (m_stop)
                return;
        }
        Block block = readBlock();
        const bool last = block.last;
        {
            const std::lock_guard queue(m_queueLock);
            m_queue.push_back(std::move(block));
        }
        m_queueChanged.notify_all();
        if (last)
            return;
    }
}

// Takes the next block from the queue, waiting for it; false when the
// result has ended. A block's failure is thrown once its rows are read.
bool ReadAheadCursor::nextBlock()
{
    if (m_current.last) {
        if (m_current.failure)
            std::rethrow_exception(std::exchange(m_current.failure, nullptr));
        return false;
    }
    {
        std::unique_lock queue(m_queueLock);
        m_queueChanged.wait(queue, [this] { return !m_queue.empty(); });
        m_current = std::move(m_queue.front());
        m_queue.pop_front();
    }
    m_queueChanged.notify_all();
    m_position = 0;
    return true;
}

bool ReadAheadCursor::fetch()
{
    if (m_atEnd)
        return false;
    if (m_started)
        ++m_position;
    m_started = true;
    try {
        while (m_position >= m_current.rows) {
            if (!nextBlock()) {
                m_atEnd = true;
                return false;
            }
        }
    } catch (...) {
        m_atEnd = true;
        throw;
    }
    return true;
}

Value ReadAheadCursor::value(int index)
{
    if (!m_started || m_atEnd || m_position >= m_current.rows || index < 0 || size_t(index) >= m_fields.size())
        return Value();
    return m_current.values[m_position * m_fields.size() + size_t(index)];
}

} // namespace db
