#pragma once

// The kind of a message to the user, which the message box shows as its
// icon. Qt Core only, so that the parts without a window can say what kind
// of message they have.
enum class MessageBoxKind {
    Plain,       // no icon
    Information,
    Warning,
    Error,
    Question, // "Ja" and "Nein"
};
