// The stored settings of the real main window: variant and server name
// survive a restart through the per-user registry file.

#include "FormatSettings.h"
#include "MessageBox.h"
#include "Registry.h"
#include "RegistryFile.h"
#include "TDateEdit.h"
#include "TDirectoryEdit.h"
#include "TFormStorage.h"
#include "TRadioGroup.h"
#include "Tfrm_dep.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

class MainWindowSettingsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_config;
    QList<MessageBoxRequest> m_boxes;
    const QString m_section = QStringLiteral("HKEY_CURRENT_USER\\Software\\DepExport\\Tfrm_barverkauf");

    RegistryFile hive() const
    {
        RegistryFile file;
        file.load(Registry::filePath());
        return file;
    }
    QString stored(const QString &name) const
    {
        const auto value = hive().value(m_section, name);
        return value ? value->text() : QStringLiteral("<none>");
    }
    void store(const QString &name, const RegistryValue &value)
    {
        RegistryFile file = hive();
        file.setValue(m_section, name, value);
        file.save(Registry::filePath());
    }
    void store(const QString &name, const QString &text) { store(name, RegistryValue::fromString(text)); }
    QByteArray fileBytes() const
    {
        QFile file(Registry::filePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QStringLiteral("de_DE"))));
        // failures of the settings go to the program's general error box
        setMessageBoxPresenter([this](const MessageBoxRequest &request) { m_boxes.append(request); });
    }

    void init()
    {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        QFile::remove(Registry::filePath());
        m_boxes.clear();
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
        QVERIFY(hive().keyExists(QStringLiteral("HKEY_CURRENT_USER\\Software\\DepExport")));
        QVERIFY(!hive().keyExists(m_section));
        QCOMPARE(window.rg_version->itemIndex(), -1);
        QCOMPARE(window.ed_datenbank->text(), QStringLiteral("C:\\Tidy-Pos"));
        QCOMPARE(window.ed_servername->text(), QStringLiteral("LOCALHOST\\SQLEXPRESS"));
        QVERIFY(window.close());
        QCOMPARE(stored(QStringLiteral("FormVersion")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("rg_version_ItemIndex")), QStringLiteral("-1"));
        QCOMPARE(stored(QStringLiteral("ed_servername_Text")), QStringLiteral("LOCALHOST\\SQLEXPRESS"));
        for (const char *name : {"FormVersion", "rg_version_ItemIndex", "ed_servername_Text"})
            QCOMPARE(hive().value(m_section, QString::fromLatin1(name))->type, quint32(RegistryValue::String));
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
        store(QStringLiteral("FormVersion"), QStringLiteral("0"));
        store(QStringLiteral("rg_version_ItemIndex"), storedIndex);
        Tfrm_dep window;
        QString periodWhenSelected = QStringLiteral("<not selected>");
        connect(window.rg_version, &TRadioGroup::itemIndexChanged, this,
                [&] { periodWhenSelected = window.ed_vondatum->text(); });
        window.show();
        QCOMPARE(window.rg_version->itemIndex(), index);
        QCOMPARE(window.ed_datenbank->text(), folder);
        if (index >= 0)
            QCOMPARE(periodWhenSelected, QString()); // FormShow had not run yet
        QCOMPARE(window.ed_bisdatum->date(), QDate::currentDate());
    }

    void serverNameIsTrimmedBothWays()
    {
        store(QStringLiteral("ed_servername_Text"), QStringLiteral("  KASSA\\SQL2019  "));
        Tfrm_dep window;
        window.show();
        QCOMPARE(window.ed_servername->text(), QStringLiteral("KASSA\\SQL2019"));
        window.ed_servername->setText(QStringLiteral("  OTHER\\INST\t "));
        window.rg_version->setItemIndex(2);
        window.close();
        QCOMPARE(stored(QStringLiteral("ed_servername_Text")), QStringLiteral("OTHER\\INST"));
        QCOMPARE(stored(QStringLiteral("rg_version_ItemIndex")), QStringLiteral("2"));

        Tfrm_dep restarted;
        restarted.show();
        QCOMPARE(restarted.rg_version->itemIndex(), 2);
        QCOMPARE(restarted.ed_servername->text(), QStringLiteral("OTHER\\INST"));
    }

    void olderFormVersionRestoresNothingAndRewritesAll()
    {
        store(QStringLiteral("FormVersion"), QStringLiteral("-1"));
        store(QStringLiteral("rg_version_ItemIndex"), QStringLiteral("3"));
        store(QStringLiteral("ed_servername_Text"), QStringLiteral("OLD"));
        Tfrm_dep window;
        window.show();
        QCOMPARE(window.rg_version->itemIndex(), -1);
        QCOMPARE(window.ed_servername->text(), QStringLiteral("LOCALHOST\\SQLEXPRESS"));
        window.close();
        QCOMPARE(stored(QStringLiteral("FormVersion")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("rg_version_ItemIndex")), QStringLiteral("-1"));
        QCOMPARE(stored(QStringLiteral("ed_servername_Text")), QStringLiteral("LOCALHOST\\SQLEXPRESS"));
    }

    void formVersionAsDwordIsReportedAndNothingIsWritten()
    {
        store(QStringLiteral("FormVersion"), RegistryValue::fromDWord(0));
        store(QStringLiteral("rg_version_ItemIndex"), QStringLiteral("3"));
        const QByteArray before = fileBytes();
        {
            Tfrm_dep window;
            window.show();
            QCOMPARE(m_boxes.size(), 1);
            QCOMPARE(m_boxes.first().kind, MessageBoxKind::Error);
            QCOMPARE(m_boxes.first().text, QStringLiteral("Invalid data type for 'FormVersion'"));
            QCOMPARE(window.rg_version->itemIndex(), -1);
            QVERIFY(!window.ed_vondatum->text().isEmpty()); // the window showed all the same
            window.rg_version->setItemIndex(4);
            QVERIFY(window.close());
        }
        QCOMPARE(fileBytes(), before);
        QCOMPARE(m_boxes.size(), 1);
    }
};

QTEST_MAIN(MainWindowSettingsTest)
#include "tst_mainwindowsettings.moc"
