// The stored settings of the real main window: variant and server name
// survive a restart through the per-user registry file.

#include "FormatSettings.h"
#include "MessageBox.h"
#include "MessageRecorder.h"
#include "Registry.h"
#include "RegistryFile.h"
#include "SystemErrorText.h"
#include "TDateEdit.h"
#include "TDirectoryEdit.h"
#include "TFormStorage.h"
#include "TRadioGroup.h"
#include "TestRegistry.h"
#include "Tfrm_dep.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>

#include <cerrno>

class MainWindowSettingsTest : public QObject
{
    Q_OBJECT

private:
    // Failures of the settings go to the program's general error box.
    MessageRecorder m_recorder;
    const QList<MessageBoxRequest> &m_boxes = m_recorder.boxes();
    const QString m_section = QStringLiteral("HKEY_CURRENT_USER\\Software\\DepExport\\Tfrm_barverkauf");
    TestRegistry m_registry{m_section};

    static QByteArray fileBytes(const QString &path = Registry::filePath())
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QStringLiteral("de_DE"))));
    }

    void init()
    {
        m_registry.clear();
        m_recorder.clear();
    }

    void designValues()
    {
        Tfrm_dep window;
        TFormStorage *storage = window.FormStorage1;
        QVERIFY(storage);
        QCOMPARE(storage->parent(), &window);
        QVERIFY(storage->useRegistry());
        QCOMPARE(storage->iniSection(), QStringLiteral("Tfrm_barverkauf"));
        QCOMPARE(storage->options(), TFormPlacement::TPlacementOptions());
        QCOMPARE(storage->storedProps(),
                 (QStringList{QStringLiteral("rg_version.ItemIndex"), QStringLiteral("ed_servername.Text")}));
        QCOMPARE(storage->storeName(), QStringLiteral("Software\\DepExport"));
    }

    void firstStartWritesTheDefaultsAtClose()
    {
        Tfrm_dep window;
        window.show();
        QVERIFY(m_registry.hive().keyExists(QStringLiteral("HKEY_CURRENT_USER\\Software\\DepExport")));
        QVERIFY(!m_registry.hive().keyExists(m_section));
        QCOMPARE(window.rg_version->itemIndex(), -1);
        QCOMPARE(window.ed_datenbank->text(), QStringLiteral("C:\\Tidy-Pos"));
        QCOMPARE(window.ed_servername->text(), QStringLiteral("LOCALHOST\\SQLEXPRESS"));
        QVERIFY(window.close());
        QCOMPARE(m_registry.stored(QStringLiteral("FormVersion")), QStringLiteral("0"));
        QCOMPARE(m_registry.stored(QStringLiteral("rg_version_ItemIndex")), QStringLiteral("-1"));
        QCOMPARE(m_registry.stored(QStringLiteral("ed_servername_Text")), QStringLiteral("LOCALHOST\\SQLEXPRESS"));
        for (const char *name : {"FormVersion", "rg_version_ItemIndex", "ed_servername_Text"})
            QCOMPARE(m_registry.hive().value(m_section, QString::fromLatin1(name))->type, quint32(RegistryValue::String));
        QVERIFY(m_boxes.isEmpty());
    }

    void storedVariantIsSelectedBeforeTheShowHandler_data()
    {
        QTest::addColumn<QString>("storedIndex");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("folder");
        QTest::newRow("3") << "3" << 3 << "C:\\VelmarFaktura";
        QTest::newRow("5") << "5" << 5 << "C:\\TidyGastro";
        QTest::newRow("letter") << "x" << 0 << "C:\\VelmarFaktura";
        QTest::newRow("9") << "9" << 5 << "C:\\TidyGastro";
        QTest::newRow("-7") << "-7" << -1 << "C:\\Tidy-Pos";
    }

    void storedVariantIsSelectedBeforeTheShowHandler()
    {
        QFETCH(QString, storedIndex);
        QFETCH(int, index);
        QFETCH(QString, folder);
        m_registry.store(QStringLiteral("FormVersion"), QStringLiteral("0"));
        m_registry.store(QStringLiteral("rg_version_ItemIndex"), storedIndex);
        Tfrm_dep window;
        QString periodWhenSelected = QStringLiteral("<not selected>");
        connect(window.rg_version, &TRadioGroup::itemIndexChanged, this,
                [&] { periodWhenSelected = window.ed_vondatum->dateText(); });
        window.show();
        QCOMPARE(window.rg_version->itemIndex(), index);
        QCOMPARE(window.ed_datenbank->text(), folder);
        if (index >= 0)
            QCOMPARE(periodWhenSelected, QString()); // FormShow had not run yet
        QCOMPARE(window.ed_bisdatum->date(), QDate::currentDate());
    }

    void serverNameIsTrimmedBothWays()
    {
        m_registry.store(QStringLiteral("ed_servername_Text"), QStringLiteral("  KASSA\\SQL2019  "));
        Tfrm_dep window;
        window.show();
        QCOMPARE(window.ed_servername->text(), QStringLiteral("KASSA\\SQL2019"));
        window.ed_servername->setText(QStringLiteral("  OTHER\\INST\t "));
        window.rg_version->setItemIndex(2);
        window.close();
        QCOMPARE(m_registry.stored(QStringLiteral("ed_servername_Text")), QStringLiteral("OTHER\\INST"));
        QCOMPARE(m_registry.stored(QStringLiteral("rg_version_ItemIndex")), QStringLiteral("2"));

        Tfrm_dep restarted;
        restarted.show();
        QCOMPARE(restarted.rg_version->itemIndex(), 2);
        QCOMPARE(restarted.ed_servername->text(), QStringLiteral("OTHER\\INST"));
    }

    void olderFormVersionRestoresNothingAndRewritesAll()
    {
        m_registry.store(QStringLiteral("FormVersion"), QStringLiteral("-1"));
        m_registry.store(QStringLiteral("rg_version_ItemIndex"), QStringLiteral("3"));
        m_registry.store(QStringLiteral("ed_servername_Text"), QStringLiteral("OLD"));
        Tfrm_dep window;
        window.show();
        QCOMPARE(window.rg_version->itemIndex(), -1);
        QCOMPARE(window.ed_servername->text(), QStringLiteral("LOCALHOST\\SQLEXPRESS"));
        window.close();
        QCOMPARE(m_registry.stored(QStringLiteral("FormVersion")), QStringLiteral("0"));
        QCOMPARE(m_registry.stored(QStringLiteral("rg_version_ItemIndex")), QStringLiteral("-1"));
        QCOMPARE(m_registry.stored(QStringLiteral("ed_servername_Text")), QStringLiteral("LOCALHOST\\SQLEXPRESS"));
    }

    void formVersionAsDwordIsReportedAndNothingIsWritten()
    {
        m_registry.store(QStringLiteral("FormVersion"), RegistryValue::fromDWord(0));
        m_registry.store(QStringLiteral("rg_version_ItemIndex"), QStringLiteral("3"));
        const QByteArray before = fileBytes();
        {
            Tfrm_dep window;
            window.show();
            QCOMPARE(m_boxes.size(), 1);
            QCOMPARE(m_boxes.first().kind, MessageBoxKind::Error);
            QCOMPARE(m_boxes.first().text, QStringLiteral("Invalid data type for 'FormVersion'"));
            QCOMPARE(window.rg_version->itemIndex(), -1);
            QVERIFY(!window.ed_vondatum->dateText().isEmpty()); // the window showed all the same
            window.rg_version->setItemIndex(4);
            QVERIFY(window.close());
        }
        QCOMPARE(fileBytes(), before);
        QCOMPARE(m_boxes.size(), 1);
    }

    // A settings file that holds many other keys: showing the window reads
    // it once and writes nothing, closing writes it once, with every other
    // key kept. (The preloaded fault library logs each file put in place.)
    void closeWritesTheFileOnce()
    {
        RegistryFile file;
        for (int i = 0; i < 5000; ++i)
            file.setValue(QStringLiteral("HKEY_CURRENT_USER\\Software\\Other\\Key%1").arg(i), QStringLiteral("Name"),
                          RegistryValue::fromString(QStringLiteral("value %1").arg(i)));
        file.setValue(m_section, QStringLiteral("FormVersion"), RegistryValue::fromString(QStringLiteral("0")));
        file.setValue(m_section, QStringLiteral("rg_version_ItemIndex"), RegistryValue::fromString(QStringLiteral("3")));
        file.save(Registry::filePath());
        const QString log = m_registry.folder() + QStringLiteral("/renames.log");
        QFile::remove(log);
        qputenv("DEPEXPORT_FAULT_DIR", QFile::encodeName(QFileInfo(Registry::filePath()).absolutePath()));
        qputenv("DEPEXPORT_FAULT_LOG", QFile::encodeName(log));
        const auto renames = [&] { return fileBytes(log).count("rename "); };
        {
            Tfrm_dep window;
            window.show();
            QCOMPARE(window.rg_version->itemIndex(), 3);
            QCOMPARE(renames(), 0);
            window.rg_version->setItemIndex(4);
            QVERIFY(window.close());
            QCOMPARE(renames(), 1);
        }
        QCOMPARE(renames(), 1); // not again when the window goes
        qunsetenv("DEPEXPORT_FAULT_LOG");
        qunsetenv("DEPEXPORT_FAULT_DIR");
        QCOMPARE(m_registry.stored(QStringLiteral("rg_version_ItemIndex")), QStringLiteral("4"));
        const RegistryFile after = m_registry.hive();
        for (int i = 0; i < 5000; ++i)
            QCOMPARE(after.value(QStringLiteral("HKEY_CURRENT_USER\\Software\\Other\\Key%1").arg(i), QStringLiteral("name"))->text(),
                     QStringLiteral("value %1").arg(i));
        QVERIFY(m_boxes.isEmpty());
    }

    // A full disk, a failing network share or a folder closed to writing
    // when the window closes: the earlier file stays as it was and the user
    // reads why, once at close and once more when the window goes.
    void failureAtCloseKeepsTheEarlierFile_data()
    {
        // the full disk leaves room for all of the file but its last bytes
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("bytesShort");
        QTest::addColumn<int>("error");
        for (const int n : {1, 2, 3, 10, 40, 100, 200})
            QTest::addRow("full disk %d bytes short", n) << QStringLiteral("write:%1").arg(ENOSPC) << n << ENOSPC;
        QTest::addRow("full disk at the start") << QStringLiteral("write:%1").arg(ENOSPC) << 100000 << ENOSPC;
        QTest::newRow("fsync") << QStringLiteral("fsync:%1").arg(EIO) << 0 << EIO;
        QTest::newRow("close") << QStringLiteral("close:%1").arg(EDQUOT) << 0 << EDQUOT;
        QTest::newRow("rename") << QStringLiteral("rename:%1").arg(EACCES) << 0 << EACCES;
        QTest::newRow("read-only") << QStringLiteral("create:%1").arg(EROFS) << 0 << EROFS;
    }

    void failureAtCloseKeepsTheEarlierFile()
    {
        QFETCH(QString, fault);
        QFETCH(int, bytesShort);
        QFETCH(int, error);
        m_registry.store(QStringLiteral("FormVersion"), QStringLiteral("0"));
        m_registry.store(QStringLiteral("rg_version_ItemIndex"), QStringLiteral("3"));
        m_registry.store(QStringLiteral("ed_servername_Text"), QStringLiteral("KASSA\\SQLEXPRESS"));
        const QByteArray before = fileBytes();
        RegistryFile wanted = m_registry.hive();
        wanted.setValue(m_section, QStringLiteral("rg_version_ItemIndex"), RegistryValue::fromString(QStringLiteral("1")));
        wanted.setValue(m_section, QStringLiteral("ed_servername_Text"), RegistryValue::fromString(QStringLiteral("ANDERER\\SERVER")));
        if (bytesShort > 0)
            fault += QStringLiteral(":%1").arg(qMax<qsizetype>(0, wanted.toBytes().size() - bytesShort));
        const QString folder = QFileInfo(Registry::filePath()).absolutePath();
        {
            Tfrm_dep window;
            window.show();
            QCOMPARE(window.rg_version->itemIndex(), 3);
            window.rg_version->setItemIndex(1);
            window.ed_servername->setText(QStringLiteral("ANDERER\\SERVER"));
            qputenv("DEPEXPORT_FAULT_DIR", QFile::encodeName(folder));
            qputenv("DEPEXPORT_FAULT", fault.toLatin1());
            window.close();
        }
        qunsetenv("DEPEXPORT_FAULT");
        qunsetenv("DEPEXPORT_FAULT_DIR");
        QCOMPARE(fileBytes(), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("registry.reg")});
        QCOMPARE(m_boxes.size(), 2);
        for (const MessageBoxRequest &box : std::as_const(m_boxes)) {
            QCOMPARE(box.kind, MessageBoxKind::Error);
            QVERIFY2(box.text.contains(Registry::filePath()) && box.text.contains(SystemErrorText::of(error)),
                     qPrintable(box.text));
        }
    }
};

QTEST_MAIN(MainWindowSettingsTest)
#include "tst_mainwindowsettings.moc"
