#pragma once

// The receipt numbers a register has used, to find one that comes again.
// Whole numbers are kept as runs of consecutive numbers, so a register that
// counts up needs a few bytes whatever its number of receipts; other
// numbers are kept as 64-bit hashes.
//
//     rksv::ReceiptNumberSet numbers;
//     if (!numbers.insert("4711")) ... // seen before

#include <QByteArrayView>

#include <map>
#include <unordered_set>

namespace rksv {

class ReceiptNumberSet
{
public:
    // False when the number is in the set already.
    bool insert(QByteArrayView number);

private:
    bool insertWhole(quint64 number);

    std::map<quint64, quint64> m_runs; // first number -> last number
    std::unordered_set<quint64> m_hashes;
};

} // namespace rksv
