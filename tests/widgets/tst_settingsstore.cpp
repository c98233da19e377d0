#include "Error.h"
#include "IniFile.h"
#include "IniFileStore.h"
#include "Registry.h"
#include "RegistryFile.h"
#include "RegistryStore.h"
#include "SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class SettingsStoreTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_config;

    QString regPath() const { return Registry::filePath(); }
    QByteArray fileBytes(const QString &path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

private slots:
    void init()
    {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        QFile::remove(regPath());
        QFile::remove(regPath() + QStringLiteral(".bak"));
    }

    void locationFollowsXdgConfigHome()
    {
        QCOMPARE(Registry::filePath(), m_config.path() + QStringLiteral("/DepExport/registry.reg"));
        qputenv("XDG_CONFIG_HOME", "relative/dir");
        QVERIFY(SettingsStore::configDirectory().endsWith(QStringLiteral("/.config/DepExport")));
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }

    void writesRegistryEditorFormat()
    {
        {
            RegistryStore store(RegistryRoot::CurrentUser, QStringLiteral("Software\\DepExport"));
            store.writeInteger(QStringLiteral("Tfrm_barverkauf"), QStringLiteral("FormVersion"), 0);
            store.writeText(QStringLiteral("Tfrm_barverkauf"), QStringLiteral("ed_servername_Text"),
                            QStringLiteral("LOCALHOST\\SQLEXPRESS"));
            store.writeText(QStringLiteral("Tfrm_barverkauf"), QStringLiteral("quote"), QStringLiteral("a \"b\""));
            store.commit();
        }
        const QByteArray expected = "Windows Registry Editor Version 5.00\r\n"
                                    "\r\n"
                                    "[HKEY_CURRENT_USER\\Software\\DepExport]\r\n"
                                    "\r\n"
                                    "[HKEY_CURRENT_USER\\Software\\DepExport\\Tfrm_barverkauf]\r\n"
                                    "\"FormVersion\"=\"0\"\r\n"
                                    "\"ed_servername_Text\"=\"LOCALHOST\\\\SQLEXPRESS\"\r\n"
                                    "\"quote\"=\"a \\\"b\\\"\"\r\n"
                                    "\r\n";
        QCOMPARE(fileBytes(regPath()), expected);

        RegistryStore again(RegistryRoot::CurrentUser, QStringLiteral("software\\depexport"));
        QCOMPARE(again.readText(QStringLiteral("TFRM_BARVERKAUF"), QStringLiteral("ED_SERVERNAME_TEXT"), QString()),
                 QStringLiteral("LOCALHOST\\SQLEXPRESS"));
        QCOMPARE(again.readText(QStringLiteral("Tfrm_barverkauf"), QStringLiteral("quote"), QString()),
                 QStringLiteral("a \"b\""));
        QCOMPARE(again.readText(QStringLiteral("Tfrm_barverkauf"), QStringLiteral("missing"), QStringLiteral("dflt")),
                 QStringLiteral("dflt"));
        QCOMPARE(again.readText(QStringLiteral("NoSection"), QStringLiteral("x"), QStringLiteral("d")), QStringLiteral("d"));
    }

    void readingCreatesTheKeyButWritesNothingElse()
    {
        RegistryStore store(RegistryRoot::CurrentUser, QStringLiteral("Software\\DepExport"));
        QCOMPARE(fileBytes(regPath()), QByteArray("Windows Registry Editor Version 5.00\r\n\r\n"
                                                  "[HKEY_CURRENT_USER\\Software\\DepExport]\r\n\r\n"));
    }

    void typedValuesAreKeptAndOnlyStringsRead()
    {
        writeFile(regPath(), "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\DepExport\\S]\r\n"
                             "\"dw\"=dword:0000002a\r\n"
                             "\"exp\"=hex(2):25,00,41,00,25,00,00,00,42,00,00,00\r\n"
                             "\"bin\"=hex:01,02,\\\r\n"
                             "  03\r\n"
                             "\"sz\"=hex(1):41,00,0a,00,42,00,00,00\r\n"
                             "@=\"default\"\r\n");
        RegistryStore store(RegistryRoot::CurrentUser, QStringLiteral("Software\\DepExport"));
        // REG_EXPAND_SZ is read as text, up to its first NUL
        QCOMPARE(store.readText(QStringLiteral("S"), QStringLiteral("exp"), QString()), QStringLiteral("%A%"));
        QCOMPARE(store.readText(QStringLiteral("S"), QStringLiteral("sz"), QString()), QStringLiteral("A\nB"));
        QCOMPARE(store.readText(QStringLiteral("S"), QString(), QString()), QStringLiteral("default"));
        for (const char *name : {"dw", "bin"}) {
            try {
                store.readText(QStringLiteral("S"), QString::fromLatin1(name), QString());
                QFAIL("a non-string value was read as text");
            } catch (const Error &error) {
                QCOMPARE(error.message(), QStringLiteral("Invalid data type for '%1'").arg(QString::fromLatin1(name)));
            }
        }
        // a change elsewhere in the file keeps every typed value as it was
        store.writeText(QStringLiteral("S"), QStringLiteral("new"), QStringLiteral("x"));
        store.commit();
        bool damaged = true;
        const RegistryFile hive = RegistryFile::parse(fileBytes(regPath()), &damaged);
        QVERIFY(!damaged);
        const QString key = QStringLiteral("HKEY_CURRENT_USER\\Software\\DepExport\\S");
        QCOMPARE(hive.value(key, QStringLiteral("dw"))->type, quint32(RegistryValue::DWord));
        QCOMPARE(hive.value(key, QStringLiteral("dw"))->dword(), 42u);
        QCOMPARE(hive.value(key, QStringLiteral("bin"))->data, QByteArray("\x01\x02\x03"));
        QCOMPARE(hive.value(key, QStringLiteral("exp"))->type, quint32(RegistryValue::ExpandString));
        QCOMPARE(hive.value(key, QStringLiteral("sz"))->text(), QStringLiteral("A\nB"));
        QVERIFY(fileBytes(regPath()).contains("\"sz\"=hex(1):41,00,0a,00,42,00,00,00\r\n"));
    }

    void readsUtf16FilesOfTheRegistryEditor()
    {
        const QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                            "[HKEY_CURRENT_USER\\Software\\DepExport\\S]\r\n\"n\"=\"Größe\"\r\n");
        QByteArray bytes("\xff\xfe");
        bytes.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        writeFile(regPath(), bytes);
        RegistryStore store(RegistryRoot::CurrentUser, QStringLiteral("Software\\DepExport"));
        QCOMPARE(store.readText(QStringLiteral("S"), QStringLiteral("n"), QString()), QStringLiteral("Größe"));
    }

    void damagedFileCountsAsEmptyAndIsKeptAsBackup()
    {
        const QByteArray garbage("\x00\x13garbage\xff\xfe not a registry file", 36);
        writeFile(regPath(), garbage);
        RegistryStore store(RegistryRoot::CurrentUser, QStringLiteral("Software\\DepExport"));
        QCOMPARE(store.readText(QStringLiteral("S"), QStringLiteral("n"), QStringLiteral("d")), QStringLiteral("d"));
        store.writeText(QStringLiteral("S"), QStringLiteral("n"), QStringLiteral("v"));
        store.commit();
        QCOMPARE(fileBytes(regPath() + QStringLiteral(".bak")), garbage);
        QVERIFY(fileBytes(regPath()).startsWith("Windows Registry Editor Version 5.00\r\n"));

        // a truncated line is passed by; the rest of the file still counts
        writeFile(regPath(), "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\Software\\DepExport\\S]\r\n"
                             "\"a\"=\"1\"\r\n\"b\"=\"unterminated\r\n\"c\"=dword:zz\r\n");
        RegistryStore partly(RegistryRoot::CurrentUser, QStringLiteral("Software\\DepExport"));
        QCOMPARE(partly.readText(QStringLiteral("S"), QStringLiteral("a"), QString()), QStringLiteral("1"));
        QCOMPARE(partly.readText(QStringLiteral("S"), QStringLiteral("b"), QStringLiteral("d")), QStringLiteral("d"));
    }

    void unwritableLocationFailsWithTheMessages()
    {
        // the settings folder cannot be made: a file stands in its place
        const QString blocked = m_config.path() + QStringLiteral("/blocked");
        writeFile(blocked, "x");
        qputenv("XDG_CONFIG_HOME", blocked.toUtf8());
        RegistryStore store(RegistryRoot::CurrentUser, QStringLiteral("Software\\DepExport"));
        store.writeText(QStringLiteral("Tfrm_barverkauf"), QStringLiteral("FormVersion"), QStringLiteral("0"));
        try {
            store.commit();
            QFAIL("writing to an unwritable place succeeded");
        } catch (const Error &error) {
            QCOMPARE(error.message(), QStringLiteral("Die Datei %1/DepExport/registry.reg kann nicht angelegt werden: "
                                                     "ein Teil des Pfades ist kein Ordner")
                                          .arg(blocked));
        }
        // the changes stay pending until they can be written
        QCOMPARE(store.readText(QStringLiteral("Tfrm_barverkauf"), QStringLiteral("FormVersion"), QString()),
                 QStringLiteral("0"));
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }

    void eraseSectionRemovesSubkeys()
    {
        RegistryStore store(RegistryRoot::CurrentUser, QStringLiteral("Software\\DepExport"));
        store.writeText(QStringLiteral("S.list"), QStringLiteral("Count"), QStringLiteral("1"));
        store.writeText(QStringLiteral("S.list\\deeper"), QStringLiteral("x"), QStringLiteral("1"));
        store.writeText(QStringLiteral("S"), QStringLiteral("keep"), QStringLiteral("1"));
        store.eraseSection(QStringLiteral("S.list"));
        store.commit();
        RegistryStore again(RegistryRoot::CurrentUser, QStringLiteral("Software\\DepExport"));
        QCOMPARE(again.readText(QStringLiteral("S.list"), QStringLiteral("Count"), QStringLiteral("0")), QStringLiteral("0"));
        QCOMPARE(again.readText(QStringLiteral("S.list\\deeper"), QStringLiteral("x"), QStringLiteral("0")), QStringLiteral("0"));
        QCOMPARE(again.readText(QStringLiteral("S"), QStringLiteral("keep"), QString()), QStringLiteral("1"));
    }

    // A large file of other programs' keys: every key and value is found
    // without regard to case, and a change keeps all the others.
    void largeFileKeepsEveryKey()
    {
        QByteArray text = "Windows Registry Editor Version 5.00\r\n";
        for (int i = 0; i < 5000; ++i)
            text += "\r\n[HKEY_CURRENT_USER\\Software\\DepExport\\Key" + QByteArray::number(i) + "]\r\n\"Name\"=\"v"
                  + QByteArray::number(i) + "\"\r\n\"Other\"=dword:0000002a\r\n";
        writeFile(regPath(), text);
        RegistryStore store(RegistryRoot::CurrentUser, QStringLiteral("Software\\DepExport"));
        QCOMPARE(store.readText(QStringLiteral("KEY4999"), QStringLiteral("name"), QString()), QStringLiteral("v4999"));
        QCOMPARE(store.readText(QStringLiteral("key0"), QStringLiteral("NAME"), QString()), QStringLiteral("v0"));
        store.writeText(QStringLiteral("key17"), QStringLiteral("NAME"), QStringLiteral("neu"));
        store.eraseSection(QStringLiteral("Key18"));
        store.writeText(QStringLiteral("Key19"), QStringLiteral("Name"), QStringLiteral("neu 19"));
        QCOMPARE(store.readText(QStringLiteral("Key18"), QStringLiteral("Name"), QStringLiteral("weg")), QStringLiteral("weg"));
        QCOMPARE(store.readText(QStringLiteral("Key19"), QStringLiteral("Name"), QString()), QStringLiteral("neu 19"));
        QCOMPARE(store.readText(QStringLiteral("Key4000"), QStringLiteral("Name"), QString()), QStringLiteral("v4000"));
        store.commit();

        bool damaged = true;
        const RegistryFile hive = RegistryFile::parse(fileBytes(regPath()), &damaged);
        QVERIFY(!damaged);
        const QString key = QStringLiteral("HKEY_CURRENT_USER\\Software\\DepExport\\Key%1");
        for (int i = 0; i < 5000; ++i) {
            const auto name = hive.value(key.arg(i), QStringLiteral("Name"));
            if (i == 18) {
                QVERIFY(!hive.keyExists(key.arg(i)));
                continue;
            }
            QVERIFY(name);
            // the spelling of the name stays as it was first written
            QCOMPARE(name->text(), i == 17 ? QStringLiteral("neu") : i == 19 ? QStringLiteral("neu 19") : QStringLiteral("v%1").arg(i));
            QCOMPARE(hive.value(key.arg(i), QStringLiteral("other"))->dword(), 42u);
        }
        QVERIFY(fileBytes(regPath()).contains("[HKEY_CURRENT_USER\\Software\\DepExport\\Key17]\r\n\"Name\"=\"neu\"\r\n"));
    }

    void integersOfTheSettingsTexts()
    {
        QCOMPARE(SettingsStore::parseInteger(QStringLiteral("42")), 42);
        QCOMPARE(SettingsStore::parseInteger(QStringLiteral("-7")), -7);
        QCOMPARE(SettingsStore::parseInteger(QStringLiteral("$1F")), 31);
        QCOMPARE(SettingsStore::parseInteger(QStringLiteral("0x1f")), 31);
        QCOMPARE(SettingsStore::parseInteger(QStringLiteral("$FFFFFFFF")), -1);
        QCOMPARE(SettingsStore::parseInteger(QStringLiteral("a")), std::nullopt);
        QCOMPARE(SettingsStore::parseInteger(QStringLiteral("")), std::nullopt);
        QCOMPARE(SettingsStore::parseInteger(QStringLiteral("3x")), std::nullopt);
        QCOMPARE(SettingsStore::parseInteger(QStringLiteral("99999999999")), std::nullopt);
    }

    void iniFileQuotingRoundTrips()
    {
        IniFileStore store(QStringLiteral("DepExport.INI"));
        QCOMPARE(store.path(), m_config.path() + QStringLiteral("/DepExport/DepExport.INI"));
        QFile::remove(store.path());
        const QStringList values = {QStringLiteral("\"quoted\""), QStringLiteral("'single'"), QStringLiteral("\"half"),
                                    QStringLiteral("plain"), QStringLiteral("\"")};
        for (int i = 0; i < values.size(); ++i)
            store.writeText(QStringLiteral("Tfrm_barverkauf"), QStringLiteral("v%1").arg(i), values.at(i));
        const QByteArray bytes = fileBytes(store.path());
        QVERIFY(bytes.contains("v0=\"\"quoted\"\"\r\n"));
        QVERIFY(bytes.contains("v1=\"'single'\"\r\n"));
        QVERIFY(bytes.contains("v2=\"half\r\n"));
        IniFileStore again(QStringLiteral("DepExport.INI"));
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(again.readText(QStringLiteral("TFRM_BARVERKAUF"), QStringLiteral("V%1").arg(i), QString()), values.at(i));
        again.eraseSection(QStringLiteral("tfrm_barverkauf"));
        QCOMPARE(IniFileStore(QStringLiteral("DepExport.INI")).readText(QStringLiteral("Tfrm_barverkauf"), QStringLiteral("v0"), QStringLiteral("gone")),
                 QStringLiteral("gone"));
    }

    void iniFileKeepsForeignLines()
    {
        IniFile ini = IniFile::fromText(QStringLiteral("; comment\n[A]\nx = 1 \ngarbage line\n\n[B]\ny=2\n"));
        QCOMPARE(ini.value(QStringLiteral("a"), QStringLiteral("X")), QStringLiteral("1"));
        ini.setValue(QStringLiteral("A"), QStringLiteral("z"), QStringLiteral("3"));
        ini.setValue(QStringLiteral("C"), QStringLiteral("w"), QStringLiteral("4"));
        QCOMPARE(ini.toText(), QStringLiteral("; comment\r\n[A]\r\nx = 1 \r\ngarbage line\r\nz=3\r\n\r\n[B]\r\ny=2\r\n\r\n[C]\r\nw=4\r\n"));
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_settingsstore.moc"
