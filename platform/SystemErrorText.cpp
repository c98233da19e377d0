#include "SystemErrorText.h"

#include <cerrno>

namespace SystemErrorText {

QString of(int errorNumber)
{
    switch (errorNumber) {
    case ENOSPC: return QStringLiteral("nicht genug Speicherplatz auf dem Datenträger");
#ifdef EDQUOT
    case EDQUOT: return QStringLiteral("der zugeteilte Speicherplatz (Kontingent) ist aufgebraucht");
#endif
    case EFBIG: return QStringLiteral("die Datei ist zu groß für den Datenträger");
    case EACCES:
    case EPERM: return QStringLiteral("keine Berechtigung");
    case EROFS: return QStringLiteral("der Datenträger ist schreibgeschützt");
    case ENAMETOOLONG: return QStringLiteral("der Dateiname ist zu lang");
    case EIO: return QStringLiteral("Ein-/Ausgabefehler des Datenträgers");
    case ENOENT: return QStringLiteral("der Ordner oder die Datei ist nicht vorhanden");
    case ENOTDIR: return QStringLiteral("ein Teil des Pfades ist kein Ordner");
    case EISDIR: return QStringLiteral("unter diesem Namen besteht ein Ordner");
    case ELOOP: return QStringLiteral("zu viele symbolische Verknüpfungen im Pfad");
    case EEXIST: return QStringLiteral("die Datei ist bereits vorhanden");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("die Datei oder der Datenträger wird gerade verwendet");
    case EAGAIN: return QStringLiteral("die Datei ist vorübergehend gesperrt");
    case EMFILE:
    case ENFILE: return QStringLiteral("zu viele geöffnete Dateien");
    case ENOMEM: return QStringLiteral("nicht genug Arbeitsspeicher");
    case EXDEV: return QStringLiteral("die Datei liegt auf einem anderen Datenträger");
    case EINVAL: return QStringLiteral("der Name oder der Vorgang ist ungültig");
    case EBADF: return QStringLiteral("die Datei ist nicht geöffnet");
    case EINTR: return QStringLiteral("der Vorgang wurde unterbrochen");
    case ENXIO:
    case ENODEV: return QStringLiteral("das Gerät ist nicht vorhanden");
#ifdef ESTALE
    case ESTALE: return QStringLiteral("die Verbindung zur Netzwerkfreigabe ist nicht mehr gültig");
#endif
    case ETIMEDOUT: return QStringLiteral("Zeitüberschreitung der Netzwerkverbindung");
    case ENETDOWN:
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ECONNRESET:
    case ECONNABORTED:
    case ENOTCONN: return QStringLiteral("die Netzwerkverbindung ist unterbrochen");
    case EOPNOTSUPP: return QStringLiteral("der Vorgang wird vom Dateisystem nicht unterstützt");
    case 0: return QStringLiteral("unbekannte Ursache");
    default: return QStringLiteral("Systemfehler Nr. %1").arg(errorNumber);
    }
}

} // namespace SystemErrorText
