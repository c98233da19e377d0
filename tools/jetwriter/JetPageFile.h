#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

// The .mdb file being written, seen as numbered 4 KiB pages. Pages are
// handed out in order and may be written in any order; a page that is
// allocated but never written reads as zeros. Unless commit() succeeds, the
// file is removed when this object goes away.
class JetPageFile
{
public:
    static constexpr int pageSize = 4096;
    // Jet 4 files end at 2 GB.
    static constexpr quint32 maxPages = 0x80000000u / pageSize;

    explicit JetPageFile(const QString &path);
    ~JetPageFile();
    JetPageFile(const JetPageFile &) = delete;
    JetPageFile &operator=(const JetPageFile &) = delete;

    // Reserves `count` consecutive pages and returns the number of the first.
    quint32 allocate(quint32 count = 1);
    quint32 pageCount() const { return m_pageCount; }

    // Writes one page of pageSize bytes.
    void write(quint32 page, const char *data);

    // Makes the file complete (every allocated page present) and closes it.
    void commit();

private:
    [[noreturn]] void fail(const QString &what);

    QFile m_file;
    quint32 m_pageCount = 0;
    bool m_committed = false;
};
