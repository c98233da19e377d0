#include "ReceiptNumberSet.h"

#include "ReceiptChain.h"

#include <cstring>

namespace rksv {

bool ReceiptNumberSet::insert(QByteArrayView number)
{
    // Only the plain form counts as a whole number: "007" and "7" are
    // different receipt numbers.
    bool whole = !number.isEmpty() && number.size() <= 18 && (number.size() == 1 || number.front() != '0');
    quint64 value = 0;
    for (const char c : number) {
        whole = whole && c >= '0' && c <= '9';
        value = value * 10 + quint64(c - '0');
    }
    if (whole)
        return insertWhole(value);
    const Sha256Digest digest = sha256(number);
    quint64 hash = 0;
    std::memcpy(&hash, digest.data(), sizeof hash);
    return m_hashes.insert(hash).second;
}

bool ReceiptNumberSet::insertWhole(quint64 number)
{
    auto next = m_runs.upper_bound(number); // first run that starts after the number
    if (next != m_runs.begin()) {
        auto run = std::prev(next);
        if (number <= run->second)
            return false;
        if (run->second + 1 == number) {
            run->second = number;
            if (next != m_runs.end() && next->first == number + 1) {
                run->second = next->second;
                m_runs.erase(next);
            }
            return true;
        }
    }
    if (next != m_runs.end() && next->first == number + 1) {
        const quint64 last = next->second;
        m_runs.erase(next);
        m_runs.emplace(number, last);
        return true;
    }
    m_runs.emplace(number, number);
    return true;
}

} // namespace rksv
