#include "OpenSslHandles.h"

#include <openssl/err.h>

namespace rksv {

QString openSslFailure(const QString &what)
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return what;
    char reason[256];
    ERR_error_string_n(code, reason, sizeof reason);
    return QStringLiteral("%1 (%2)").arg(what, QString::fromLatin1(reason));
}

} // namespace rksv
