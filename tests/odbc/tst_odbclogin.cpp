// Connecting to a SQL Server that cannot be reached: the window gets the
// driver's text, and a server that takes the connection but never answers
// gives up after the login timeout instead of hanging the window. Only
// loopback addresses are used.
#include "Error.h"
#include "MessageBox.h"
#include "OdbcEnvironment.h"
#include "SqlServerDriver.h"
#include "TADOConnection.h"
#include "TRadioGroup.h"
#include "Tfrm_dep.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
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
    QList<MessageBoxRequest> boxes;
    setMessageBoxPresenter([&boxes](const MessageBoxRequest &box) { boxes << box; });
    {
        Tfrm_dep window;
        window.rg_version->setItemIndex(3);
        window.ed_servername->setText(QStringLiteral("127.0.0.1,%1").arg(silent.port()));
        window.btn_dep131_export->click();
        QVERIFY(!window.Datenbank_Verbindung.connected());
    }
    setMessageBoxPresenter({});
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[0].text, QStringLiteral("Fehler Datenbankverbiundung\rÜberprüfen Sie die Eingaben!"));
    QCOMPARE(boxes[1].kind, MessageBoxKind::Error);
    QVERIFY2(boxes[1].text.contains(QLatin1String("[FreeTDS][SQL Server]Timeout expired")), qPrintable(boxes[1].text));
}

QTEST_MAIN(TestOdbcLogin)
#include "tst_odbclogin.moc"
