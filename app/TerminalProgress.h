#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdio>

// A one-line progress bar on a terminal, for batch runs: the export's name,
// a bar and "n/total", redrawn in place at most every 100 ms. Draws nothing
// when the stream is not a terminal.
class TerminalProgress
{
public:
    TerminalProgress(std::FILE *stream, QString label);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress &) = delete;
    TerminalProgress &operator=(const TerminalProgress &) = delete;

    void update(qint64 current, qint64 total);
    // Ends the line when a bar was drawn.
    void finish();

private:
    void draw(qint64 current, qint64 total);

    std::FILE *m_stream;
    QString m_label;
    bool m_enabled;
    bool m_drawn = false;
    qint64 m_lastDrawMs = -1;
};
