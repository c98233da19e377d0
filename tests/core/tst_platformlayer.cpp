#include "CodePage.h"
#include "WindowsPath.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

class TestPlatformLayer : public QObject
{
    Q_OBJECT

private slots:
    void ansiBytes()
    {
        QCOMPARE(CodePage::toAnsi(u"€"), QByteArray("\x80"));
        QCOMPARE(CodePage::toAnsi(u"Grüße"), QByteArray("Gr\xFC\xDF" "e"));
        // outside Windows-1252, one "?" per character, also for surrogate pairs
        QCOMPARE(CodePage::toAnsi(u"Ω😀x"), QByteArray("??x"));
        QCOMPARE(CodePage::fromAnsi("\x80\x84\xE4"), QString::fromUtf16(u"€„ä"));
        // appended behind bytes already there, a pair shortens the text
        QByteArray row("ab");
        CodePage::appendAnsi(row, u"x😀y");
        QCOMPARE(row, QByteArray("abx?y"));
    }

    void nonAsciiAtEveryPlaceOfLongTexts()
    {
        // Long texts go many characters at a time; one character outside
        // ASCII anywhere (at the edges of those blocks too) is still
        // converted on its own.
        for (const char16_t special : {u'\u00E4', u'\u00FF', u'\u0080', u'\u0100', u'\u20AC', u'\uFF41'}) {
            for (int length = 1; length <= 40; ++length) {
                for (int place = 0; place < length; ++place) {
                    QString text(length, u'a');
                    text[place] = QChar(special);
                    QByteArray expected(length, 'a');
                    expected[place] = CodePage::toAnsi(QStringView(&special, 1)).at(0);
                    QCOMPARE(CodePage::toAnsi(text), expected);
                }
            }
        }
    }

    void everyCodeUnit()
    {
        // Each of the 256 bytes comes back from its character; every other
        // UTF-16 code unit, lone surrogates included, becomes "?".
        QSet<char16_t> mapped;
        for (int b = 0; b < 256; ++b) {
            const QByteArray byte(1, char(b));
            const QString text = CodePage::fromAnsi(byte);
            QCOMPARE(CodePage::toAnsi(text), byte);
            mapped.insert(text.at(0).unicode());
        }
        for (int unit = 0; unit < 0x10000; ++unit) {
            const char16_t ch = char16_t(unit);
            if (!mapped.contains(ch))
                QCOMPARE(CodePage::toAnsi(QStringView(&ch, 1)), QByteArray("?"));
        }
    }

    void longTexts()
    {
        // Long texts of ASCII runs, other characters and surrogate pairs
        // convert as their characters one by one do.
        QRandomGenerator random(131);
        for (int round = 0; round < 200; ++round) {
            QString text;
            QByteArray expected;
            while (text.size() < 300) {
                const quint32 kind = random.bounded(10);
                QString piece;
                if (kind < 6)
                    piece = QString(int(random.bounded(1, 20)), QChar(char16_t(random.bounded(0x20, 0x7F))));
                else if (kind == 6)
                    piece = QChar(char16_t(random.bounded(0x80, 0x100)));
                else if (kind == 7)
                    piece = QChar(char16_t(random.bounded(0x100, 0xD800))); // no half of a pair
                else
                    piece = QString::fromUcs4(U"\U0001F600", 1);
                text += piece;
                expected += CodePage::toAnsi(piece);
            }
            QCOMPARE(CodePage::toAnsi(text), expected);
        }
    }

    void oemBytes()
    {
        // ä, ö, ü, ß in code page 850; the euro sign has no place there
        QCOMPARE(CodePage::ansiToOem("\xE4\xF6\xFC\xDF"), QByteArray("\x84\x94\x81\xE1"));
        QCOMPARE(CodePage::ansiToOem("A\x80"), QByteArray("A?"));
    }

    void drivesMapToFolders()
    {
        QTemporaryDir dir;
        qputenv("DEPEXPORT_DRIVE_C", dir.path().toUtf8());
        QCOMPARE(WindowsPath::toLocal(QStringLiteral("C:\\Tidy-Pos\\Vel4TidyShop.mdb")),
                 dir.path() + QStringLiteral("/Tidy-Pos/Vel4TidyShop.mdb"));
        QCOMPARE(WindowsPath::toLocal(QStringLiteral("c:\\x")), dir.path() + QStringLiteral("/x"));
        // no drive: the root of the current drive
        QCOMPARE(WindowsPath::toLocal(QStringLiteral("\\VelmarFaktura.mdb")), dir.path() + QStringLiteral("/VelmarFaktura.mdb"));
        // a doubled backslash before the file name is kept as an empty path step
        QCOMPARE(WindowsPath::toLocal(QStringLiteral("C:\\Tidy-Pos\\\\DEP_131.csv")),
                 dir.path() + QStringLiteral("/Tidy-Pos//DEP_131.csv"));
        qunsetenv("DEPEXPORT_DRIVE_C");
    }

    void unmappedDriveFallsBackToDataHome()
    {
        QTemporaryDir dir;
        qputenv("XDG_DATA_HOME", dir.path().toUtf8());
        qunsetenv("DEPEXPORT_DRIVE_Q");
        QCOMPARE(WindowsPath::toLocal(QStringLiteral("Q:\\Kassa")), dir.path() + QStringLiteral("/DepExport/drive_q/Kassa"));
    }

    void localPathsStand()
    {
        QCOMPARE(WindowsPath::toLocal(QStringLiteral("/srv/kassa/x.mdb")), QStringLiteral("/srv/kassa/x.mdb"));
        QCOMPARE(WindowsPath::toLocal(QStringLiteral("kassa\\x.mdb")), QStringLiteral("kassa/x.mdb"));
    }
};

QTEST_APPLESS_MAIN(TestPlatformLayer)
#include "tst_platformlayer.moc"
