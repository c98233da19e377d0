#pragma once

#include <QString>

#include <exception>

// The texts a failure is told to the user with, on the desktop (the general
// error box) and on a terminal alike.
//
//     sink.message(MessageBoxKind::Error, errorBoxText(failureMessage(failure)));

// The message text of a failure: an Error's message, else what() read as
// text of the local 8-bit encoding.
QString failureMessage(const std::exception &failure);
// The general error box's text: the message with a "." appended when its
// last character sorts after ".".
QString errorBoxText(const QString &message);
