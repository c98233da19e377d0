#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace db {

// Finds the TCP port of a named SQL Server instance ("kasse01\SQLEXPRESS")
// as the client libraries do: a UDP datagram to the SQL Server Browser
// service of the host asks for the instance, and the answer lists the
// instance's protocols with their addresses. The request goes out again
// every second (datagrams get lost) until an answer comes or the time is up;
// a host that refuses the datagram (no browser service runs there) ends the
// wait at once.
//
//     const int port = SqlServerBrowser::instancePort(host, instance, 15);
class SqlServerBrowser
{
public:
    static constexpr int servicePort = 1434;

    // The port, or Error with a German message that names the instance:
    // the host is unknown, no browser service answers within
    // `timeoutSeconds`, or its answer gives no TCP port for the instance.
    static int instancePort(const QString &host, const QString &instance, int timeoutSeconds,
                            int browserPort = servicePort);

    // The request for one instance.
    static QByteArray request(const QString &instance);
    // The TCP port that `answer` gives for `instance` (named without regard
    // to case); nothing when the answer is no browser answer, does not
    // list the instance or lists it without TCP.
    static std::optional<int> tcpPort(const QByteArray &answer, const QString &instance);
};

} // namespace db
