// Connecting to a SQL Server that cannot be reached: the window gets the
// driver's text, and a server that takes the connection but never answers
// gives up after the login timeout instead of hanging the window. A named
// instance is looked up through the browser service within the same
// timeout. Only loopback addresses are used.
#include "Error.h"
#include "MessageBox.h"
#include "MessageRecorder.h"
#include "OdbcEnvironment.h"
#include "SqlServerBrowser.h"
#include "SqlServerDriver.h"
#include "TADOConnection.h"
#include "TRadioGroup.h"
#include "Tfrm_dep.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <QElapsedTimer>

#include <atomic>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

using namespace db;

namespace {

// A TCP socket on a free loopback port. Listening, it is a server that
// takes connections (the kernel completes them) and never says a word;
// not listening, the port refuses connections. Closed with the object.
class LoopbackPort
{
public:
    explicit LoopbackPort(bool listening)
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            qFatal("no loopback socket");
        socklen_t length = sizeof address;
        ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
        if (listening && ::listen(m_socket, 8) != 0)
            qFatal("cannot listen on the loopback port");
    }
    ~LoopbackPort() { ::close(m_socket); }
    LoopbackPort(const LoopbackPort &) = delete;
    LoopbackPort &operator=(const LoopbackPort &) = delete;

    int port() const { return m_port; }

private:
    int m_socket = -1;
    int m_port = 0;
};

// A UDP socket on a free loopback port: a browser service that receives
// requests and answers them with `answer`, or never when it is empty.
class LoopbackBrowser
{
public:
    explicit LoopbackBrowser(QByteArray answer = QByteArray()) : m_answer(std::move(answer))
    {
        m_socket = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            qFatal("no loopback UDP socket");
        socklen_t length = sizeof address;
        ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
        const timeval wait{0, 100000};
        ::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        m_thread = std::thread([this] { serve(); });
    }
    ~LoopbackBrowser()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_socket);
    }
    LoopbackBrowser(const LoopbackBrowser &) = delete;
    LoopbackBrowser &operator=(const LoopbackBrowser &) = delete;

    int port() const { return m_port; }
    // The datagrams received so far; read once the lookup is over.
    QList<QByteArray> requests() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

private:
    void serve()
    {
        while (!m_stop) {
            QByteArray datagram(1024, '\0');
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t n = ::recvfrom(m_socket, datagram.data(), std::size_t(datagram.size()), 0,
                                         reinterpret_cast<sockaddr *>(&from), &fromLength);
            if (n < 0)
                continue;
            datagram.truncate(n);
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_requests << datagram;
            }
            if (!m_answer.isEmpty()) {
                ::sendto(m_socket, m_answer.constData(), std::size_t(m_answer.size()), 0,
                         reinterpret_cast<sockaddr *>(&from), fromLength);
            }
        }
    }

    int m_socket = -1;
    int m_port = 0;
    QByteArray m_answer;
    mutable std::mutex m_mutex;
    QList<QByteArray> m_requests;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

// A browser service's answer datagram with `text`.
QByteArray browserAnswer(const QByteArray &text)
{
    QByteArray answer(1, '\x05');
    answer += char(text.size() & 0xff);
    answer += char(text.size() >> 8);
    return answer + text;
}

QString windowConnectionString(const QString &server)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
                          "Initial Catalog=VelmarFaktura;Data Source=")
        + server + u';';
}

QString connectFailure(const QString &server)
{
    TADOConnection connection;
    connection.setConnectionString(windowConnectionString(server));
    try {
        connection.setConnected(true);
    } catch (const Error &e) {
        if (connection.connected())
            return QStringLiteral("connected after a failure");
        return e.message();
    }
    return QString();
}

} // namespace

class TestOdbcLogin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void refusedPortGivesTheDriverText();
    void silentServerGivesUpAfterTheLoginTimeout();
    void missingDriverIsNamed();
    void windowReportsTheSilentServer();
    void namedInstanceWithoutBrowserService();
    void silentBrowserServiceEndsWithTheTimeout();
    void browserServiceAnswers();
    void browserAnswerTexts();
};

void TestOdbcLogin::initTestCase()
{
    // the translation of the window's string, through the installed FreeTDS
    qunsetenv("DEPEXPORT_ODBC_CONNECTION");
    qunsetenv("DEPEXPORT_ODBC_DRIVER");
    try {
        const OdbcEnvironment environment;
        if (SqlServerDriver::choose(environment.driverNames(), SqlServerDriver::freeTdsLibraries()).kind()
            != SqlServerDriver::FreeTds)
            QSKIP("a Microsoft driver is installed: these tests expect FreeTDS's messages");
    } catch (const Error &) {
        QSKIP("no SQL Server ODBC driver installed (tdsodbc)");
    }
    qputenv("DEPEXPORT_ODBC_LOGIN_TIMEOUT", "2");
}

void TestOdbcLogin::refusedPortGivesTheDriverText()
{
    const LoopbackPort closed(false);
    const QString message = connectFailure(QStringLiteral("127.0.0.1,%1").arg(closed.port()));
    QVERIFY2(!message.isEmpty(), "connecting to a closed port must fail");
    QVERIFY2(message.contains(QLatin1String("[FreeTDS]")), qPrintable(message));
    QVERIFY2(message.contains(QLatin1String("SQLSTATE 08")), qPrintable(message));
}

void TestOdbcLogin::silentServerGivesUpAfterTheLoginTimeout()
{
    // Without a login timeout this would wait for the TCP keepalive, far
    // longer than any test may run; the adapter's 2 seconds end it.
    const LoopbackPort silent(true);
    const QString message = connectFailure(QStringLiteral("127.0.0.1,%1").arg(silent.port()));
    QVERIFY2(!message.isEmpty(), "a server that never answers must not count as connected");
    QVERIFY2(message.contains(QLatin1String("[FreeTDS]")), qPrintable(message));
    QVERIFY2(message.contains(QLatin1String("SQLSTATE")), qPrintable(message));
}

void TestOdbcLogin::missingDriverIsNamed()
{
    qputenv("DEPEXPORT_ODBC_DRIVER", "/nonexistent/libtdsodbc.so");
    const QString message = connectFailure(QStringLiteral("127.0.0.1,1"));
    qunsetenv("DEPEXPORT_ODBC_DRIVER");
    // the driver manager's own text
    QVERIFY2(message.contains(QLatin1String("/nonexistent/libtdsodbc.so")), qPrintable(message));
    QVERIFY2(message.contains(QLatin1String("SQLSTATE 01000")) || message.contains(QLatin1String("SQLSTATE IM")),
             qPrintable(message));
}

void TestOdbcLogin::windowReportsTheSilentServer()
{
    const LoopbackPort silent(true);
    MessageRecorder recorder;
    const QList<MessageBoxRequest> &boxes = recorder.boxes();
    {
        Tfrm_dep window;
        window.rg_version->setItemIndex(3);
        window.ed_servername->setText(QStringLiteral("127.0.0.1,%1").arg(silent.port()));
        window.btn_dep131_export->click();
        QVERIFY(!window.Datenbank_Verbindung.connected());
    }
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[0].text, QStringLiteral("Fehler Datenbankverbiundung\rÜberprüfen Sie die Eingaben!"));
    QCOMPARE(boxes[1].kind, MessageBoxKind::Error);
    QVERIFY2(boxes[1].text.contains(QLatin1String("[FreeTDS][SQL Server]Timeout expired")), qPrintable(boxes[1].text));
}

void TestOdbcLogin::namedInstanceWithoutBrowserService()
{
    // Nothing answers on the loopback's browser port: FreeTDS alone would
    // ask 16 times a second apart, whatever the login timeout. The
    // refusal of the port ends the wait at once.
    QElapsedTimer clock;
    clock.start();
    const QString message = connectFailure(QStringLiteral("127.0.0.1\\SQLEXPRESS"));
    qInfo("refused after %lld ms", clock.elapsed());
    QCOMPARE(message, QStringLiteral("Die SQL Server-Instanz 127.0.0.1\\SQLEXPRESS ist nicht erreichbar: Auf 127.0.0.1 "
                                     "antwortet kein Dienst SQL Server-Browser. Starten Sie den Dienst oder geben Sie "
                                     "den Server mit seinem Port an (Server,Port)."));
    // the window's form of the local server
    QVERIFY2(connectFailure(QStringLiteral("(local)\\SQLEXPRESS"))
                 .startsWith(QLatin1String("Die SQL Server-Instanz localhost\\SQLEXPRESS ist nicht erreichbar: ")),
             "the local server is the loopback host");
}

void TestOdbcLogin::silentBrowserServiceEndsWithTheTimeout()
{
    const LoopbackBrowser silent;
    QElapsedTimer clock;
    clock.start();
    try {
        SqlServerBrowser::instancePort(QStringLiteral("127.0.0.1"), QStringLiteral("SQLEXPRESS"), 1, silent.port());
        QFAIL("a browser service that does not answer gives no port");
    } catch (const Error &e) {
        QCOMPARE(e.message(), QStringLiteral("Die SQL Server-Instanz 127.0.0.1\\SQLEXPRESS ist nicht erreichbar: Der "
                                             "Dienst SQL Server-Browser auf 127.0.0.1 hat nicht innerhalb von 1 Sekunde "
                                             "geantwortet."));
    }
    qInfo("gave up after %lld ms", clock.elapsed());
    const QList<QByteArray> requests = silent.requests();
    QVERIFY(!requests.isEmpty());
    for (const QByteArray &request : requests)
        QCOMPARE(request, QByteArray("\x04SQLEXPRESS\0", 12));
}

void TestOdbcLogin::browserServiceAnswers()
{
    {
        const LoopbackBrowser browser(browserAnswer(
            "ServerName;KASSE01;InstanceName;SQLEXPRESS;IsClustered;No;Version;15.0.2000.5;tcp;49172;;"));
        QCOMPARE(SqlServerBrowser::instancePort(QStringLiteral("127.0.0.1"), QStringLiteral("sqlexpress"), 5,
                                                browser.port()),
                 49172);
        QCOMPARE(browser.requests(), QList<QByteArray>{QByteArray("\x04sqlexpress\0", 12)});
    }
    // an instance that takes named pipes only
    const LoopbackBrowser pipesOnly(browserAnswer(
        "ServerName;KASSE01;InstanceName;SQLEXPRESS;IsClustered;No;Version;15.0.2000.5;np;\\\\KASSE01\\pipe\\sql\\query;;"));
    try {
        SqlServerBrowser::instancePort(QStringLiteral("127.0.0.1"), QStringLiteral("SQLEXPRESS"), 5, pipesOnly.port());
        QFAIL("no TCP port in the answer");
    } catch (const Error &e) {
        QVERIFY2(e.message().endsWith(QLatin1String("kennt die Instanz nicht, oder sie nimmt keine TCP-Verbindungen an.")),
                 qPrintable(e.message()));
    }
}

void TestOdbcLogin::browserAnswerTexts()
{
    const QByteArray two = browserAnswer("ServerName;KASSE01;InstanceName;VELMAR;IsClustered;No;Version;16.0.1000.6;"
                                         "tcp;1500;;ServerName;KASSE01;InstanceName;SQLEXPRESS;IsClustered;No;"
                                         "Version;15.0.2000.5;np;\\\\KASSE01\\pipe\\MSSQL$SQLEXPRESS\\sql\\query;"
                                         "tcp;49172;;");
    QCOMPARE(SqlServerBrowser::tcpPort(two, QStringLiteral("SQLExpress")), std::optional<int>(49172));
    QCOMPARE(SqlServerBrowser::tcpPort(two, QStringLiteral("VELMAR")), std::optional<int>(1500));
    QCOMPARE(SqlServerBrowser::tcpPort(two, QStringLiteral("KASSE")), std::nullopt);
    // cut short, not an answer, a port out of range
    QCOMPARE(SqlServerBrowser::tcpPort(two.left(two.size() - 1), QStringLiteral("SQLEXPRESS")), std::nullopt);
    QCOMPARE(SqlServerBrowser::tcpPort(QByteArray("\x04SQLEXPRESS\0", 12), QStringLiteral("SQLEXPRESS")), std::nullopt);
    QCOMPARE(SqlServerBrowser::tcpPort(browserAnswer("InstanceName;A;tcp;70000;;"), QStringLiteral("A")), std::nullopt);
}

QTEST_MAIN(TestOdbcLogin)
#include "tst_odbclogin.moc"
