#include "OdbcText.h"

namespace db::OdbcText {

QString toQString(const SQLWCHAR *text, qsizetype length)
{
    if (!text)
        return {};
    if (length == SQL_NTS) {
        length = 0;
        while (text[length])
            ++length;
    }
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(text), length);
}

std::vector<SQLWCHAR> toSqlWChar(const QString &text)
{
    std::vector<SQLWCHAR> result(static_cast<std::size_t>(text.size()) + 1, 0);
    std::copy(text.utf16(), text.utf16() + text.size(), result.begin());
    return result;
}

} // namespace db::OdbcText
