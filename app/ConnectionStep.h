#pragma once

#include <QString>

class ExportMessageSink;

namespace db {
class TADOConnection;
}

// What the connection step reads from the window, as the fields hold it.
struct ConnectionFields
{
    int variant = -1;
    QString folder;
    QString password;
    QString server;
};

// The first step of every export: drop the connection and open it again
// for the chosen program variant.
namespace ConnectionStep {

// The connection string of the variant. The field texts go in exactly as
// they stand: not trimmed, quoted or escaped.
QString connectionString(const ConnectionFields &fields);

// Returns false when the operation ends here: no variant is chosen (after
// telling the user so through `messages`). When connecting fails the user is told to check the
// input, then the provider's error is thrown on; the connection then stays
// closed with the new string.
bool run(db::TADOConnection &connection, const ConnectionFields &fields, ExportMessageSink &messages);

} // namespace ConnectionStep
