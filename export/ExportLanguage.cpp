#include "ExportLanguage.h"

namespace ExportLanguage {

QString builtIn(int id)
{
    switch (id) {
    case PropertyNotSpecified: return QStringLiteral("Die Eigenschaft %s wurde nicht spezifiziert.");
    case ExportSucceeded: return QStringLiteral("Der Datenexport in die Datei %s wurde erfolgreich beendet.");
    case ExportFailed: return QStringLiteral("Fehler beim Datenexport.");
    case Exporting: return QStringLiteral("Exportiere...");
    case Cancel: return QStringLiteral("&Abbruch");
    case CanceledByUser: return QStringLiteral("Datenexport wurde vom Benutzer abgebrochen.");
    default: return {};
    }
}

QString progressWindowFailed()
{
    return QStringLiteral("Kann den Prozess-Dialog nicht erzeugen");
}

QString readFailed()
{
    return QStringLiteral("Die Datenbank kann nicht gelesen werden");
}

QString mailNotAvailable()
{
    return QStringLiteral("Der Versand per E-Mail ist auf dieser Plattform nicht verfügbar.");
}

} // namespace ExportLanguage
