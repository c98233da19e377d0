#pragma once

#include "FailureText.h"
#include "MessageBoxKind.h"

#include <QString>

#include <exception>
#include <functional>

// The program's modal message boxes. Every box goes through one presenter
// function: on the desktop a QMessageBox with a single "OK" button; tests
// install a recorder instead and see each box's kind, caption and text in
// the order the program shows them.

struct MessageBoxRequest
{
    MessageBoxKind kind = MessageBoxKind::Plain;
    QString caption;
    QString text;
};

using MessageBoxPresenter = std::function<void(const MessageBoxRequest &)>;

// Shows a modal box with one "OK" button and returns when it is closed.
void showMessageBox(MessageBoxKind kind, const QString &caption, const QString &text);
// Replaces the presenter; an empty function restores the QMessageBox one.
void setMessageBoxPresenter(MessageBoxPresenter presenter);

// Asks a question in a modal box with "Ja" and "Nein", captioned with the
// application title; true for "Ja". With a presenter installed the box
// goes to it and the answerer gives the answer ("Nein" without one).
bool askYesNo(const QString &text);
using QuestionAnswerer = std::function<bool(const MessageBoxRequest &)>;
void setQuestionAnswerer(QuestionAnswerer answerer);

// The program file's name up to its first ".", every letter after the first
// lower-cased: "DepExport" gives "Depexport". Every box is captioned with it.
QString applicationTitle();
QString applicationTitleFor(const QString &programFileName);

// The plain message box: no icon, the application title, the text, "OK".
void showMessage(const QString &text);

// The general error box, in which a failure that no operation handles ends:
// error icon, the application title, the message with a "." appended when
// its last character sorts after ".".
void showErrorBox(const QString &message);
void showErrorBox(const std::exception &failure);

