#include "FailureText.h"

#include "Error.h"

QString failureMessage(const std::exception &failure)
{
    if (const auto *error = dynamic_cast<const Error *>(&failure))
        return error->message();
    return QString::fromLocal8Bit(failure.what());
}

QString errorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}
