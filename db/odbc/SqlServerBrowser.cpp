#include "SqlServerBrowser.h"

#include "Error.h"
#include "OdbcDiagnostics.h"

#include <QElapsedTimer>
#include <QStringList>

#include <cerrno>
#include <memory>
#include <vector>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace db {

namespace {

// The datagram kinds of the browser protocol: a request for one instance,
// and the server's answer.
constexpr char requestOneInstance = 0x04;
constexpr char serverAnswer = 0x05;
constexpr int resendMilliseconds = 1000;

// The host's addresses for UDP to `port`, freed with the object.
class AddressList
{
public:
    AddressList(const QString &host, int port)
    {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_DGRAM;
        m_status = ::getaddrinfo(host.toUtf8().constData(), QByteArray::number(port).constData(), &hints, &m_list);
    }
    ~AddressList()
    {
        if (m_list)
            ::freeaddrinfo(m_list);
    }
    AddressList(const AddressList &) = delete;
    AddressList &operator=(const AddressList &) = delete;

    bool found() const { return m_status == 0 && m_list; }
    const addrinfo *first() const { return m_list; }

private:
    addrinfo *m_list = nullptr;
    int m_status = 0;
};

// A UDP socket connected to one address of the host, so that the host's
// refusal (ICMP port unreachable) comes back as ECONNREFUSED. Closed with
// the object.
class BrowserSocket
{
public:
    explicit BrowserSocket(const addrinfo &address)
    {
        m_fd = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol);
        if (m_fd >= 0 && ::connect(m_fd, address.ai_addr, address.ai_addrlen) != 0)
            close();
    }
    ~BrowserSocket() { close(); }
    BrowserSocket(const BrowserSocket &) = delete;
    BrowserSocket &operator=(const BrowserSocket &) = delete;

    int fd() const { return m_fd; }
    bool open() const { return m_fd >= 0; }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    // Sends the request; a refusing host closes the socket.
    void send(const QByteArray &datagram)
    {
        if (open() && ::send(m_fd, datagram.constData(), std::size_t(datagram.size()), 0) < 0 && errno != EINTR
            && errno != EAGAIN)
            close();
    }
    // The datagram that has come, or nothing (a refusal closes the socket).
    std::optional<QByteArray> receive()
    {
        QByteArray datagram(65535, Qt::Uninitialized);
        const ssize_t length = ::recv(m_fd, datagram.data(), std::size_t(datagram.size()), MSG_DONTWAIT);
        if (length < 0) {
            if (errno != EINTR && errno != EAGAIN)
                close();
            return std::nullopt;
        }
        datagram.truncate(length);
        return datagram;
    }

private:
    int m_fd = -1;
};

[[noreturn]] void unreachable(const QString &host, const QString &instance, const QString &reason)
{
    throw Error(QStringLiteral("Die SQL Server-Instanz %1\\%2 ist nicht erreichbar: %3").arg(host, instance, reason));
}

} // namespace

QByteArray SqlServerBrowser::request(const QString &instance)
{
    return requestOneInstance + instance.toLatin1() + '\0';
}

std::optional<int> SqlServerBrowser::tcpPort(const QByteArray &answer, const QString &instance)
{
    // 0x05, the length of the text (16 bits, little-endian), the text:
    // per instance "key;value;" pairs (ServerName, InstanceName, tcp, np,
    // ...), each instance closed by one more ";".
    if (answer.size() < 3 || answer.at(0) != serverAnswer)
        return std::nullopt;
    const int length = quint8(answer.at(1)) | quint8(answer.at(2)) << 8;
    if (answer.size() < 3 + length)
        return std::nullopt;
    const QString text = QString::fromLatin1(answer.constData() + 3, length);
    for (const QString &record : text.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) {
        const QStringList parts = record.split(u';');
        QString name;
        QString tcp;
        for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
            if (parts[i].compare(QLatin1String("InstanceName"), Qt::CaseInsensitive) == 0)
                name = parts[i + 1];
            else if (parts[i].compare(QLatin1String("tcp"), Qt::CaseInsensitive) == 0)
                tcp = parts[i + 1];
        }
        if (name.compare(instance, Qt::CaseInsensitive) != 0)
            continue;
        bool ok = false;
        const int port = tcp.toInt(&ok);
        if (ok && port > 0 && port <= 65535)
            return port;
        return std::nullopt;
    }
    return std::nullopt;
}

int SqlServerBrowser::instancePort(const QString &host, const QString &instance, int timeoutSeconds, int browserPort)
{
    const AddressList addresses(host, browserPort);
    if (!addresses.found())
        unreachable(host, instance, QStringLiteral("Der Server %1 ist unbekannt.").arg(host));
    std::vector<std::unique_ptr<BrowserSocket>> sockets;
    for (const addrinfo *a = addresses.first(); a; a = a->ai_next)
        sockets.push_back(std::make_unique<BrowserSocket>(*a));

    const QByteArray datagram = request(instance);
    QElapsedTimer clock;
    clock.start();
    const qint64 timeoutMs = qint64(timeoutSeconds) * 1000;
    qint64 nextSend = 0;
    for (;;) {
        if (clock.elapsed() >= nextSend) {
            for (const auto &socket : sockets)
                socket->send(datagram);
            nextSend += resendMilliseconds;
        }
        std::vector<pollfd> waiting;
        for (const auto &socket : sockets) {
            if (socket->open())
                waiting.push_back({socket->fd(), POLLIN, 0});
        }
        if (waiting.empty()) {
            unreachable(host, instance,
                        QStringLiteral("Auf %1 antwortet kein Dienst SQL Server-Browser. Starten Sie den Dienst oder "
                                       "geben Sie den Server mit seinem Port an (Server,Port).")
                            .arg(host));
        }
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0) {
            unreachable(host, instance,
                        QStringLiteral("Der Dienst SQL Server-Browser auf %1 hat nicht innerhalb von %2 geantwortet.")
                            .arg(host, OdbcDiagnostics::waitText(timeoutSeconds)));
        }
        const qint64 wait = qMax<qint64>(0, qMin(left, nextSend - clock.elapsed()));
        if (::poll(waiting.data(), waiting.size(), int(wait)) <= 0)
            continue;
        for (const auto &socket : sockets) {
            if (!socket->open())
                continue;
            const std::optional<QByteArray> answer = socket->receive();
            if (!answer || answer->isEmpty() || answer->at(0) != serverAnswer)
                continue;
            if (const std::optional<int> port = tcpPort(*answer, instance))
                return *port;
            unreachable(host, instance,
                        QStringLiteral("Der Dienst SQL Server-Browser auf %1 kennt die Instanz nicht, oder sie nimmt "
                                       "keine TCP-Verbindungen an.")
                            .arg(host));
        }
    }
}

} // namespace db
