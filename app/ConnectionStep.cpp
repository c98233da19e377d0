#include "ConnectionStep.h"

#include "ExportMessageSink.h"
#include "ProgramVariant.h"
#include "TADOConnection.h"
#include "WindowsPath.h"

namespace ConnectionStep {

namespace {

QString accessConnectionString(const ConnectionFields &fields)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=")
        + WindowsPath::join(fields.folder, ProgramVariant::databaseName(fields.variant)) + u';'
        + QStringLiteral("Jet OLEDB:Database Password=")
        + fields.password + u';' + QStringLiteral("Persist Security Info=False");
}

// Signs on with the Windows account of the user: no user name, no password.
QString sqlServerConnectionString(const ConnectionFields &fields)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=")
        + ProgramVariant::databaseName(fields.variant) + u';' + QStringLiteral("Data Source=") + fields.server
        + u';';
}

} // namespace

QString connectionString(const ConnectionFields &fields)
{
    return ProgramVariant::isSqlServer(fields.variant) ? sqlServerConnectionString(fields)
                                                        : accessConnectionString(fields);
}

bool run(db::TADOConnection &connection, const ConnectionFields &fields, ExportMessageSink &messages)
{
    connection.setConnected(false);
    if (fields.variant == ProgramVariant::none) {
        messages.message(MessageBoxKind::Plain, QStringLiteral("keine Programmversion ausgewählt!"));
        return false;
    }
    connection.setConnectionString(connectionString(fields));
    try {
        connection.setConnected(true);
    } catch (...) {
        // A single carriage return, no line feed, between the two sentences.
        messages.message(MessageBoxKind::Plain, QStringLiteral("Fehler Datenbankverbiundung\rÜberprüfen Sie die Eingaben!"));
        throw;
    }
    return true;
}

} // namespace ConnectionStep
