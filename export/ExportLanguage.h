#pragma once

#include <QString>

// The export engine's built-in German texts, by message number.
namespace ExportLanguage {

enum Id {
    PropertyNotSpecified = 0, // "Die Eigenschaft %s wurde nicht spezifiziert."
    ExportSucceeded = 2,      // "... in die Datei %s wurde erfolgreich beendet."
    ExportFailed = 3,         // "Fehler beim Datenexport."
    Exporting = 8,            // "Exportiere..."
    Cancel = 12,              // "&Abbruch"
    CanceledByUser = 16,      // "Datenexport wurde vom Benutzer abgebrochen."
};

// The built-in text of `id`; an empty text for a number the engine has no
// text for. "%s" marks where a name goes.
QString builtIn(int id);

// The progress window's own failure text; it has no number.
QString progressWindowFailed();

// The reason put before the database's own text when the rows of the
// export could not be read.
QString readFailed();

// The text shown when the e-mail action is chosen: there is no mail system
// to hand the file to.
QString mailNotAvailable();

} // namespace ExportLanguage
