#pragma once

#include <QString>

// The reason of a failed system call in German, for messages that the user
// reads ("Die Datei ... kann nicht geschrieben werden: nicht genug
// Speicherplatz auf dem Datenträger"). The system's own texts are English
// and depend on the locale, so they never reach the user: every error
// number has a German text, the unusual ones "Systemfehler Nr. N".
namespace SystemErrorText {

QString of(int errorNumber);

} // namespace SystemErrorText
