#include "TerminalProgress.h"

#include <QDateTime>

#include <algorithm>

#include <unistd.h>

namespace {

constexpr int barWidth = 30;
constexpr qint64 redrawIntervalMs = 100;

} // namespace

TerminalProgress::TerminalProgress(std::FILE *stream, QString label)
    : m_stream(stream)
    , m_label(std::move(label))
    , m_enabled(isatty(fileno(stream)) == 1)
{
}

TerminalProgress::~TerminalProgress()
{
    finish();
}

void TerminalProgress::update(qint64 current, qint64 total)
{
    if (!m_enabled)
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_drawn && current < total && now - m_lastDrawMs < redrawIntervalMs)
        return;
    m_lastDrawMs = now;
    draw(current, total);
}

void TerminalProgress::draw(qint64 current, qint64 total)
{
    const double share = total > 0 ? std::min(1.0, double(current) / double(total)) : 1.0;
    const int filled = int(share * barWidth);
    const QByteArray bar = QByteArray(filled, '#') + QByteArray(barWidth - filled, '-');
    std::fprintf(m_stream, "\r%s [%s] %lld/%lld", m_label.toLocal8Bit().constData(), bar.constData(),
                 static_cast<long long>(current), static_cast<long long>(total));
    std::fflush(m_stream);
    m_drawn = true;
}

void TerminalProgress::finish()
{
    if (m_drawn) {
        std::fputc('\n', m_stream);
        std::fflush(m_stream);
        m_drawn = false;
    }
}
