#pragma once

#include <QByteArray>
#include <QtGlobal>

// A small, fast generator (xorshift64*), so that a seed gives the same data
// on every machine. For made-up data only, never for keys that protect
// anything.
class SeededRandom
{
public:
    explicit SeededRandom(quint64 seed) : m_state(seed ? seed : 0x9E3779B97F4A7C15ull) {}

    quint64 next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1Dull;
    }
    int below(int n) { return int(next() % quint64(n)); }
    bool chance(double p) { return double(next() >> 11) * (1.0 / 9007199254740992.0) < p; }
    QByteArray bytes(int n)
    {
        QByteArray out(n, '\0');
        for (int i = 0; i < n; i += 8) {
            const quint64 r = next();
            for (int k = 0; k < 8 && i + k < n; ++k)
                out[i + k] = char(r >> (8 * k));
        }
        return out;
    }

private:
    quint64 m_state;
};
