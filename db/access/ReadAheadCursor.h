#pragma once

#include "Cursor.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace db {

// A cursor whose rows are read ahead on a thread of its own: while the
// caller formats and writes one row, the next rows are stepped out of
// SQLite and the file's pages decoded on a second core.
//
// The rows come in blocks of a few hundred through a queue of a few
// blocks, so memory stays bounded whatever the size of the result. The
// thread holds `connectionLock` while it steps the inner cursor, and every
// other use of the connection (another query, a count) takes that lock
// too, so SQLite and the file are never used by two threads at once.
//
// Everything stays as the inner cursor gives it: the same rows in the
// same order, every column's value, and a failure thrown by fetch() at
// the row where the inner cursor failed (an exception that is neither an
// Error nor bad_alloc comes as the Error "Die Datensätze der Abfrage
// konnten nicht gelesen werden."). Destroying the cursor stops the
// thread before the inner cursor is released, under the lock.
class ReadAheadCursor : public Cursor
{
public:
    ReadAheadCursor(std::unique_ptr<Cursor> inner, std::shared_ptr<std::mutex> connectionLock);
    ~ReadAheadCursor() override;
    ReadAheadCursor(const ReadAheadCursor &) = delete;
    ReadAheadCursor &operator=(const ReadAheadCursor &) = delete;

    const std::vector<FieldDef> &fields() const override { return m_fields; }
    bool fetch() override;
    Value value(int index) override;

private:
    // Rows read in one go, their values one after the other; the last
    // block of the result is marked, and carries the failure that ended
    // it, if any.
    struct Block
    {
        std::vector<Value> values;
        size_t rows = 0;
        bool last = false;
        std::exception_ptr failure;
    };

    void readAhead();
    Block readBlock();
    bool nextBlock();

    std::unique_ptr<Cursor> m_inner;
    std::shared_ptr<std::mutex> m_connectionLock;
    std::vector<FieldDef> m_fields;

    std::mutex m_queueLock;
    std::condition_variable m_queueChanged;
    std::deque<Block> m_queue;
    bool m_stop = false;

    // The block the caller reads, and its place in it.
    Block m_current;
    size_t m_position = 0;
    bool m_started = false;
    bool m_atEnd = false;

    std::thread m_thread;
};

} // namespace db
