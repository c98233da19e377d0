#pragma once

#include <QString>
#include <exception>
#include <string>

// The failure type of the whole program: every error is an exception that
// carries a message text, shown to the user as it stands.
class Error : public std::exception
{
public:
    explicit Error(QString message) : m_message(std::move(message)), m_utf8(m_message.toStdString()) {}

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};

// Thrown when an input/output operation on a file fails.
class IoError : public Error
{
public:
    using Error::Error;
};
