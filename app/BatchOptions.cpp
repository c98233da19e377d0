#include "BatchOptions.h"

#include "BatchPeriod.h"

#include "Error.h"
#include "FormatSettings.h"
#include "OleDate.h"

#include <algorithm>

namespace {

QDate parseDate(const QString &option, const QString &text)
{
    const QDate iso = QDate::fromString(text, Qt::ISODate);
    if (iso.isValid() && text.size() == 10)
        return iso;
    try {
        return OleDate::toDate(TextFormat::textToDate(text, FormatSettings::current()));
    } catch (const Error &) {
        throw Error(QStringLiteral("%1: '%2' ist kein gültiges Datum.").arg(option, text));
    }
}

// A whole number from `lowest` to `highest`; else Error with the option,
// the text and what it should have been ("keine Programmversion").
int parseNumber(const QString &option, const QString &text, int lowest, int highest, const QString &what)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < lowest || number > highest)
        throw Error(QStringLiteral("%1: '%2' ist %3 (%4 bis %5).").arg(option, text, what).arg(lowest).arg(highest));
    return number;
}

std::vector<BatchExport> parseExports(const QString &text)
{
    std::vector<BatchExport> exports;
    for (const QString &part : text.split(u',')) {
        const QString name = part.trimmed().toLower();
        BatchExport which;
        if (name == QLatin1String("dep131"))
            which = BatchExport::Dep131;
        else if (name == QLatin1String("dep7"))
            which = BatchExport::Dep7;
        else if (name == QLatin1String("log"))
            which = BatchExport::Log;
        else
            throw Error(QStringLiteral("--export: '%1' ist kein Export (dep131, dep7, log).").arg(part));
        if (std::find(exports.begin(), exports.end(), which) == exports.end())
            exports.push_back(which);
    }
    return exports;
}

} // namespace

BatchOptions BatchOptions::parse(const QStringList &arguments, QDate today)
{
    BatchOptions options;
    bool exportsGiven = false;
    bool periodGiven = false;
    bool datesGiven = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name = arguments.at(i);
        std::optional<QString> inlineValue;
        if (const qsizetype equals = name.indexOf(u'='); name.startsWith(QLatin1String("--")) && equals > 0) {
            inlineValue = name.mid(equals + 1);
            name.truncate(equals);
        }
        const auto value = [&]() -> QString {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= arguments.size())
                throw Error(QStringLiteral("%1 braucht einen Wert.").arg(name));
            return arguments.at(++i);
        };
        const auto noValue = [&] {
            if (inlineValue)
                throw Error(QStringLiteral("%1 nimmt keinen Wert.").arg(name));
        };
        if (name == QLatin1String("--variant"))
            options.variant = parseNumber(name, value(), 0, 5, QStringLiteral("keine Programmversion"));
        else if (name == QLatin1String("--folder"))
            options.folder = value();
        else if (name == QLatin1String("--password"))
            options.password = value();
        else if (name == QLatin1String("--server"))
            options.server = value();
        else if (name == QLatin1String("--from"))
            options.from = parseDate(name, value()), datesGiven = true;
        else if (name == QLatin1String("--to"))
            options.to = parseDate(name, value()), datesGiven = true;
        else if (name == QLatin1String("--period")) {
            const BatchPeriod::Named named = BatchPeriod::parse(value(), today);
            options.periodName = named.name;
            options.from = named.period.from;
            options.to = named.period.to;
            periodGiven = true;
        } else if (name == QLatin1String("--output")) {
            options.outputFolder = value();
            if (options.outputFolder->isEmpty())
                throw Error(QStringLiteral("--output braucht einen Ordner."));
        }
        else if (name == QLatin1String("--kassa")) {
            const QString text = value();
            if (text == QLatin1String("all"))
                options.allCashRegisters = true;
            else
                options.cashRegister = parseNumber(name, text, 0, 999999, QStringLiteral("keine Kassennummer"));
        }
        else if (name == QLatin1String("--export"))
            options.exports = parseExports(value()), exportsGiven = true;
        else if (name == QLatin1String("--verify")) {
            // The file is optional: "--verify" beside "--export dep7"
            // checks the file the run writes.
            // Several files, as a shell's pattern gives them, each checked.
            options.verify = true;
            if (inlineValue)
                options.verifyFiles.append(*inlineValue);
            while (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(u'-'))
                options.verifyFiles.append(arguments.at(++i));
        } else if (name == QLatin1String("--aes-key"))
            options.aesKey = value();
        else if (name == QLatin1String("--trust"))
            options.trustFile = value();
        else if (name == QLatin1String("--report"))
            options.reportFile = value();
        else if (name == QLatin1String("--open"))
            noValue(), options.open = true;
        else if (name == QLatin1String("--quiet"))
            noValue(), options.quiet = true;
        else if (name == QLatin1String("--help") || name == QLatin1String("-h"))
            noValue(), options.help = true;
        else if (name == QLatin1String("--version"))
            noValue(), options.version = true;
        else
            throw Error(QStringLiteral("Unbekannte Option '%1'.").arg(arguments.at(i)));
    }
    if ((options.cashRegister || options.allCashRegisters)
        && (options.exports.size() != 1 || options.exports.front() != BatchExport::Dep7 || !exportsGiven))
        throw Error(QStringLiteral("--kassa gilt nur für den DEP-7-Export: dazu gehört --export dep7."));
    if (periodGiven && datesGiven)
        throw Error(QStringLiteral("--period gibt den Zeitraum an: dazu kein --from und kein --to."));
    if (!options.verify && (options.aesKey || options.trustFile || options.reportFile))
        throw Error(QStringLiteral("--aes-key, --trust und --report gehören zu --verify."));
    if (!options.verifyFiles.isEmpty()) {
        if (exportsGiven)
            throw Error(QStringLiteral("--verify DATEI prüft eine vorhandene Datei; mit --export prüft --verify "
                                       "ohne Datei die neu geschriebene."));
        options.exports.clear();
    } else if (options.verify
               && std::find(options.exports.begin(), options.exports.end(), BatchExport::Dep7) == options.exports.end()) {
        throw Error(QStringLiteral("--verify ohne Datei prüft die DEP-7-Datei des Laufs: dazu gehört --export dep7."));
    }
    return options;
}

bool BatchOptions::opensWindow(const QStringList &arguments)
{
    // Qt's own options, which QGuiApplication and QApplication take out of
    // the command line; those in the first list take a value.
    static const QStringList withValue = {
        QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
        QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"), QStringLiteral("geometry"),
        QStringLiteral("qwindowicon"), QStringLiteral("icon"), QStringLiteral("qwindowtitle"),
        QStringLiteral("title"), QStringLiteral("style"), QStringLiteral("stylesheet"),
        QStringLiteral("session"), QStringLiteral("display"), QStringLiteral("name"),
        QStringLiteral("qmljsdebugger")};
    static const QStringList flags = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                      QStringLiteral("nograb"), QStringLiteral("dograb")};
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!argument.startsWith(u'-') || argument.startsWith(QLatin1String("---")))
            return false;
        QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        const qsizetype equals = name.indexOf(u'=');
        const bool inlineValue = equals > 0;
        if (inlineValue)
            name.truncate(equals);
        if (withValue.contains(name)) {
            if (!inlineValue && ++i >= arguments.size())
                return false;
        } else if (!flags.contains(name) || inlineValue) {
            return false;
        }
    }
    return true;
}

QString BatchOptions::usage()
{
    return QStringLiteral(
        "Aufruf: DepExport [Optionen]\n"
        "Ohne Optionen (oder nur mit Qt-Optionen wie -platform xcb, -style fusion)\n"
        "öffnet DepExport sein Fenster; mit Optionen erstellt es die Exporte ohne\n"
        "Fenster.\n"
        "\n"
        "  --variant N      Programmversion: 0 VEL4SHOP ACCESS, 1 VEL4GASTRO ACCESS,\n"
        "                   2 VEL4SHOP SQL-Server, 3 VEL4GASTRO SQL-Server,\n"
        "                   4 TIDY-POS, 5 TIDY-GASTRO\n"
        "  --folder TEXT    Pfad der Datenbank und Zielordner der Dateien\n"
        "                   (Vorgabe: der Ordner der Programmversion)\n"
        "  --password TEXT  Passwort der Access-Datenbank (Vorgabe wie im Fenster)\n"
        "  --server TEXT    SQL-Server-Instanz (Vorgabe: LOCALHOST\\SQLEXPRESS)\n"
        "  --from DATUM     erster Tag des Zeitraums, im Datumsformat des Fensters\n"
        "                   oder als JJJJ-MM-TT (Vorgabe: heute minus 365 Tage)\n"
        "  --to DATUM       letzter Tag des Zeitraums (Vorgabe: heute)\n"
        "  --period ZEITRAUM\n"
        "                   statt --from und --to: JJJJ (das Jahr), JJJJ-MM (der\n"
        "                   Monat), JJJJ-Qn (das Quartal), last-month, last-quarter\n"
        "                   oder last-year (der vorige Monat, das vorige Quartal,\n"
        "                   das vorige Jahr)\n"
        "  --output ORDNER  Zielordner der Dateien statt des Datenbankordners (wird\n"
        "                   angelegt); {period} darin steht für den Zeitraum\n"
        "                   (2026-Q3)\n"
        "  --export LISTE   dep131, dep7 und/oder log, durch Kommas getrennt\n"
        "                   (Vorgabe: alle drei)\n"
        "  --kassa N        DEP 7 nur der Kassa N, Belege in der Reihenfolge ihrer\n"
        "                   Verkettung, in DEPExport<von>-<bis>_KassaN.json;\n"
        "                   --kassa all: jede Kassa in eine eigene Datei\n"
        "  --verify [DATEI...] DEP-7-Dateien prüfen (Signaturen, Kette, Belegnummern,\n"
        "                   Datum, Zertifikate); ohne DATEI die DEP-7-Datei, die\n"
        "                   --export dep7 eben geschrieben hat\n"
        "  --aes-key BASE64 AES-Schlüssel der Kasse: auch die Umsatzzähler prüfen\n"
        "  --trust DATEI    vertrauenswürdige Zertifikate (PEM) für die\n"
        "                   Zertifizierungsstellen\n"
        "  --report DATEI   das ganze Prüfergebnis als JSON-Datei\n"
        "  --open           fertige Dateien mit ihrem Programm öffnen\n"
        "  --quiet          nur Fehler ausgeben\n"
        "  --version        die Programmversion\n"
        "  --help           diese Hilfe\n"
        "\n"
        "Rückgabewerte: 0 Erfolg, 1 keine Daten im Zeitraum, 2 ungültige Eingabe,\n"
        "3 Verbindung fehlgeschlagen, 4 Datei nicht geschrieben, 5 Abfrage fehlgeschlagen\n"
        "(auch beim Lesen der Zeilen), 6 Datenfehler (ein Wert der Datenbank ist für den\n"
        "Export nicht verwendbar), 7 Prüfung nicht bestanden. Ein Fehler (2 bis 7) geht\n"
        "\"keine Daten\" (1) vor.\n");
}

namespace BatchMessages {

QString noData(const QString &exportName)
{
    return QStringLiteral("%1: keine Daten im Zeitraum, keine Datei geschrieben.").arg(exportName);
}

QString badAesKey()
{
    return QStringLiteral("--aes-key: der Schlüssel ist nicht Base64 von 32 Bytes.");
}

QString missingFile(const QString &file)
{
    return QStringLiteral("--verify: die Datei %1 gibt es nicht.").arg(file);
}

QString sameFile(const QString &what, const QString &output, const QString &input)
{
    return QStringLiteral("%1: die Datei %2 ist dieselbe wie %3 und würde sie überschreiben; "
                          "nichts wurde geschrieben.")
        .arg(what, output, input);
}

QString noDesktop()
{
    return QStringLiteral("Das Fenster von DepExport braucht eine grafische Oberfläche. Ohne sie erstellen "
                          "Optionen die Exporte (DepExport --help).");
}

QString notAFile(const QString &file)
{
    return QStringLiteral("--verify: %1 ist keine Datei.").arg(file);
}

QString outputFolderNotMade(const QString &folder, const QString &reason)
{
    return QStringLiteral("--output: der Ordner %1 kann nicht angelegt werden: %2.").arg(folder, reason);
}

} // namespace BatchMessages
