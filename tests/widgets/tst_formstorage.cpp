#include "FormatSettings.h"
#include "Registry.h"
#include "RegistryFile.h"
#include "TFormStorage.h"
#include "TPropsStorage.h"
#include "TestRegistry.h"

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

// A component with one property of each kind the codec knows.
class Sample : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Count MEMBER count)
    Q_PROPERTY(qlonglong big MEMBER big)
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(QChar letter MEMBER letter)
    Q_PROPERTY(bool enabled MEMBER enabled)
    Q_PROPERTY(Shape shape MEMBER shape)
    Q_PROPERTY(double ratio MEMBER ratio)
    Q_PROPERTY(float scale MEMBER scale)
    Q_PROPERTY(Styles styles READ getStyles WRITE setStyles)
    Q_PROPERTY(QStringList lines MEMBER lines)
    Q_PROPERTY(QVariant extra MEMBER extra)

public:
    enum Shape { Round, Square, Wide };
    Q_ENUM(Shape)
    enum Style { Bold = 0x1, Italic = 0x2, Underline = 0x4 };
    Q_DECLARE_FLAGS(Styles, Style)
    Q_FLAG(Styles)

    using QObject::QObject;
    Styles getStyles() const { return styles; }
    void setStyles(Styles value) { styles = value; }

    int count = 0;
    qlonglong big = 0;
    QString name;
    QChar letter = u'a';
    bool enabled = false;
    Shape shape = Round;
    double ratio = 0;
    float scale = 0;
    Styles styles;
    QStringList lines;
    QVariant extra;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Sample::Styles)

// A window of our own, with the settings component made first as in the
// program's main window; it records what its show handler saw.
class TestWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TestWindow(bool withSample = false)
        : storage(new TFormStorage(this)), spin(new QSpinBox(this)), edit(new QLineEdit(this))
    {
        storage->setUseRegistry(true);
        storage->setIniSection(QStringLiteral("TestSection"));
        storage->setOptions({});
        storage->setStoredProps({QStringLiteral("spin.Value"), QStringLiteral("edit.Text")});
        spin->setObjectName(QStringLiteral("spin"));
        spin->setRange(-100, 100);
        spin->setValue(7);
        edit->setObjectName(QStringLiteral("edit"));
        edit->setText(QStringLiteral("start"));
        if (withSample) {
            sample = new Sample(this);
            sample->setObjectName(QStringLiteral("Sample1"));
        }
    }

    TFormStorage *storage;
    QSpinBox *spin;
    QLineEdit *edit;
    Sample *sample = nullptr;
    int spinAtShow = 0;
    bool refuseClose = false;

protected:
    void showEvent(QShowEvent *) override { spinAtShow = spin->value(); }
    void closeEvent(QCloseEvent *event) override { event->setAccepted(!refuseClose); }
};

class FormStorageTest : public QObject
{
    Q_OBJECT

private:
    QStringList m_errors;
    const QString m_key = QStringLiteral("HKEY_CURRENT_USER\\Software\\DepExport");
    const QString m_section = QStringLiteral("HKEY_CURRENT_USER\\Software\\DepExport\\TestSection");
    TestRegistry m_registry{m_section};

private slots:
    void initTestCase()
    {
        TFormPlacement::setErrorReporter([this](const QString &message) { m_errors.append(message); });
    }

    void init()
    {
        m_registry.clear();
        m_errors.clear();
    }

    void firstRunCreatesTheKeyAndWritesAtClose()
    {
        TestWindow window;
        window.show();
        QVERIFY(m_registry.hive().keyExists(m_key));
        QVERIFY(!m_registry.hive().keyExists(m_section));
        window.spin->setValue(-3);
        window.edit->setText(QStringLiteral("  \t server \x01"));
        QVERIFY(window.close());
        QCOMPARE(m_registry.stored(QStringLiteral("FormVersion")), QStringLiteral("0"));
        QCOMPARE(m_registry.stored(QStringLiteral("spin_Value")), QStringLiteral("-3"));
        QCOMPARE(m_registry.stored(QStringLiteral("edit_Text")), QStringLiteral("server"));
        QCOMPARE(m_registry.hive().value(m_section, QStringLiteral("FormVersion"))->type, quint32(RegistryValue::String));
        QVERIFY(m_errors.isEmpty());
    }

    void restoresBeforeTheWindowsShowHandler()
    {
        m_registry.store(QStringLiteral("spin_Value"), QStringLiteral(" 42 "));
        m_registry.store(QStringLiteral("edit_Text"), QStringLiteral("  padded  "));
        TestWindow window;
        window.show();
        QCOMPARE(window.spinAtShow, 42);
        QCOMPARE(window.edit->text(), QStringLiteral("padded"));
    }

    void missingAndUnreadableValuesLeaveThePropertyAlone()
    {
        m_registry.store(QStringLiteral("spin_Value"), RegistryValue::fromDWord(5));
        TestWindow window;
        window.show();
        QCOMPARE(window.spin->value(), 7);
        QCOMPARE(window.edit->text(), QStringLiteral("start"));
        QVERIFY(m_errors.isEmpty());
    }

    void olderFormVersionRestoresNothingAndIsRewritten()
    {
        m_registry.store(QStringLiteral("FormVersion"), QStringLiteral("-1"));
        m_registry.store(QStringLiteral("spin_Value"), QStringLiteral("42"));
        TestWindow window;
        window.show();
        QCOMPARE(window.spin->value(), 7);
        window.close();
        QCOMPARE(m_registry.stored(QStringLiteral("FormVersion")), QStringLiteral("0"));
        QCOMPARE(m_registry.stored(QStringLiteral("spin_Value")), QStringLiteral("7"));

        // a text that is not a number counts as 0, which passes version 0
        m_registry.store(QStringLiteral("FormVersion"), QStringLiteral("abc"));
        TestWindow second;
        second.storage->setVersion(1);
        second.show();
        QCOMPARE(second.spin->value(), 7);
        second.close();
        QCOMPARE(m_registry.stored(QStringLiteral("FormVersion")), QStringLiteral("1"));
    }

    void formVersionOfWrongTypeStopsBothPasses()
    {
        m_registry.store(QStringLiteral("FormVersion"), RegistryValue::fromDWord(0));
        m_registry.store(QStringLiteral("spin_Value"), QStringLiteral("42"));
        const QByteArray before = [] {
            QFile file(Registry::filePath());
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }();
        {
            TestWindow window;
            window.show();
            QCOMPARE(m_errors, QStringList{QStringLiteral("Invalid data type for 'FormVersion'")});
            QCOMPARE(window.spin->value(), 7);
            window.spin->setValue(1);
            QVERIFY(window.close());
        }
        QFile file(Registry::filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QCOMPARE(m_errors.size(), 1);
    }

    void unresolvedEntriesAreDroppedSilently()
    {
        TestWindow window;
        window.storage->setStoredProps({QStringLiteral("nosuch.Text"), QStringLiteral("edit"), QStringLiteral(" .Text"),
                                        QStringLiteral("EDIT . NoProperty"), QStringLiteral(" SPIN . value ")});
        window.show();
        QCOMPARE(window.storage->storedProps(),
                 (QStringList{QStringLiteral("EDIT . NoProperty"), QStringLiteral(" SPIN . value ")}));
        window.close();
        QCOMPARE(m_registry.stored(QStringLiteral("spin_Value")), QStringLiteral("7"));
        QCOMPARE(m_registry.stored(QStringLiteral("edit_NoProperty")), QStringLiteral("<none>"));
        QVERIFY(m_errors.isEmpty());
    }

    void refusedCloseWritesNothingDestroyWritesOnce()
    {
        auto *window = new TestWindow;
        window->show();
        window->refuseClose = true;
        QVERIFY(!window->close());
        QVERIFY(!m_registry.hive().keyExists(m_section));
        window->spin->setValue(11);
        delete window; // destroyed without a successful write: written now
        QCOMPARE(m_registry.stored(QStringLiteral("spin_Value")), QStringLiteral("11"));

        // a window saved at close is not written again when destroyed
        auto *closed = new TestWindow;
        closed->show();
        closed->close();
        m_registry.store(QStringLiteral("spin_Value"), QStringLiteral("marker"));
        delete closed;
        QCOMPARE(m_registry.stored(QStringLiteral("spin_Value")), QStringLiteral("marker"));
    }

    void failedWriteIsReportedAtCloseAndAgainAtDestroy()
    {
        auto *window = new TestWindow;
        window->show();
        const QString blocked = m_registry.folder() + QStringLiteral("/blocked");
        QFile marker(blocked);
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.close();
        qputenv("XDG_CONFIG_HOME", blocked.toUtf8());
        QVERIFY(window->close()); // the window closes all the same
        delete window;
        qputenv("XDG_CONFIG_HOME", m_registry.folder().toUtf8());
        // the settings file cannot be made in place of the blocking file
        const QString reason = QStringLiteral("Die Datei %1/DepExport/registry.reg kann nicht angelegt werden: "
                                              "ein Teil des Pfades ist kein Ordner")
                                   .arg(blocked);
        QCOMPARE(m_errors, (QStringList{reason, reason}));
    }

    void inactiveComponentDoesNothing()
    {
        m_registry.store(QStringLiteral("spin_Value"), QStringLiteral("42"));
        TestWindow window;
        window.storage->setActive(false);
        window.show();
        QCOMPARE(window.spin->value(), 7);
        window.close();
        QCOMPARE(m_registry.stored(QStringLiteral("FormVersion")), QStringLiteral("<none>"));
    }

    void iniFileStore()
    {
        const QString ini = m_registry.folder() + QStringLiteral("/DepExport/DepExport.INI");
        QFile::remove(ini);
        {
            TestWindow window;
            window.storage->setUseRegistry(false);
            window.show();
            window.edit->setText(QStringLiteral("'quoted'"));
            window.close();
        }
        QFile file(ini);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[TestSection]\r\nFormVersion=0\r\nspin_Value=7\r\nedit_Text=\"'quoted'\"\r\n"));
        TestWindow again;
        again.storage->setUseRegistry(false);
        again.show();
        QCOMPARE(again.edit->text(), QStringLiteral("'quoted'"));
    }

    void placementIsStoredWhenOptionsAskForIt()
    {
        {
            TestWindow window;
            window.storage->setOptions(TFormPlacement::fpPosition | TFormPlacement::fpState);
            window.show();
            window.setGeometry(30, 40, 300, 200);
            window.close();
        }
        QCOMPARE(m_registry.stored(QStringLiteral("NormPos")), QStringLiteral("30,40,330,240"));
        QCOMPARE(m_registry.stored(QStringLiteral("ShowCmd")), QStringLiteral("1"));
        QCOMPARE(m_registry.stored(QStringLiteral("Visible")), QStringLiteral("0"));
        QVERIFY(m_registry.stored(QStringLiteral("PixelsPerInch")).toInt() > 0);
        // the name for this screen size comes first
        const QSize screen = QGuiApplication::primaryScreen()->size();
        const QString perScreen = QStringLiteral("NormPos(%1x%2)").arg(screen.width()).arg(screen.height());
        QCOMPARE(m_registry.stored(perScreen), QStringLiteral("30,40,330,240"));
        m_registry.store(perScreen, QStringLiteral("50,60,450,360"));
        TestWindow again;
        again.storage->setOptions(TFormPlacement::fpPosition);
        again.show();
        QCOMPARE(again.geometry(), QRect(50, 60, 400, 300));
    }

    void codecRoundTripsEveryKind()
    {
        FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QLocale::German, QLocale::Germany)));
        {
            TestWindow window(true);
            window.storage->setStoredProps({QStringLiteral("Sample1.count"), QStringLiteral("sample1.Big"),
                                            QStringLiteral("sample1.name"), QStringLiteral("sample1.letter"),
                                            QStringLiteral("sample1.enabled"), QStringLiteral("sample1.shape"),
                                            QStringLiteral("sample1.ratio"), QStringLiteral("sample1.scale"),
                                            QStringLiteral("sample1.styles"), QStringLiteral("sample1.lines"),
                                            QStringLiteral("sample1.extra")});
            window.show();
            Sample *s = window.sample;
            s->count = -12;
            s->big = 1234567890123LL;
            s->name = QStringLiteral("Kassa 1");
            s->letter = u'Z';
            s->enabled = true;
            s->shape = Sample::Wide;
            s->ratio = 1.5;
            s->scale = 0.1f;
            s->styles = Sample::Bold | Sample::Underline;
            s->lines = {QStringLiteral("eins"), QStringLiteral("zwei")};
            s->extra = QStringLiteral("frei");
            window.close();
        }
        QCOMPARE(m_registry.stored(QStringLiteral("Sample1_Count")), QStringLiteral("-12"));
        QCOMPARE(m_registry.stored(QStringLiteral("Sample1_Big")), QStringLiteral("1234567890123"));
        QCOMPARE(m_registry.stored(QStringLiteral("Sample1_Letter")), QStringLiteral("Z"));
        QCOMPARE(m_registry.stored(QStringLiteral("Sample1_Enabled")), QStringLiteral("True"));
        QCOMPARE(m_registry.stored(QStringLiteral("Sample1_Shape")), QStringLiteral("Wide"));
        QCOMPARE(m_registry.stored(QStringLiteral("Sample1_Ratio")), QStringLiteral("1.5")); // "." whatever the locale
        QCOMPARE(m_registry.stored(QStringLiteral("Sample1_Scale")), QStringLiteral("0.1"));
        QCOMPARE(m_registry.stored(QStringLiteral("Sample1_Styles")), QStringLiteral("[Bold,Underline]"));
        QCOMPARE(m_registry.stored(QStringLiteral("Sample1_Lines")), QStringLiteral("<none>"));
        const RegistryFile file = m_registry.hive();
        const QString lists = m_section + QStringLiteral(".Sample1_Lines");
        QCOMPARE(file.value(lists, QStringLiteral("Count"))->text(), QStringLiteral("2"));
        QCOMPARE(file.value(lists, QStringLiteral("Item1"))->text(), QStringLiteral("zwei"));

        TestWindow again(true);
        again.storage->setStoredProps({QStringLiteral("sample1.count"), QStringLiteral("sample1.big"),
                                       QStringLiteral("sample1.name"), QStringLiteral("sample1.letter"),
                                       QStringLiteral("sample1.enabled"), QStringLiteral("sample1.shape"),
                                       QStringLiteral("sample1.ratio"), QStringLiteral("sample1.scale"),
                                       QStringLiteral("sample1.styles"), QStringLiteral("sample1.lines"),
                                       QStringLiteral("sample1.extra")});
        again.show();
        const Sample *s = again.sample;
        QCOMPARE(s->count, -12);
        QCOMPARE(s->big, 1234567890123LL);
        QCOMPARE(s->name, QStringLiteral("Kassa 1"));
        QCOMPARE(s->letter, QChar(u'Z'));
        QCOMPARE(s->enabled, true);
        QCOMPARE(s->shape, Sample::Wide);
        QCOMPARE(s->ratio, 1.5);
        QCOMPARE(s->scale, 0.1f);
        QCOMPARE(s->styles, Sample::Bold | Sample::Underline);
        QCOMPARE(s->lines, (QStringList{QStringLiteral("eins"), QStringLiteral("zwei")}));
        QCOMPARE(s->extra.toString(), QStringLiteral("frei"));
        FormatSettings::setCurrent(FormatSettings());
    }

    void codecReadsLenientTexts()
    {
        QWidget owner;
        Sample sample(&owner);
        sample.shape = Sample::Square;
        QMap<QString, QString> texts = {
            {QStringLiteral("p_Count"), QStringLiteral("$1f")},    {QStringLiteral("p_Shape"), QStringLiteral("circle")},
            {QStringLiteral("p_Styles"), QStringLiteral("[ italic , unknown,bold]")},
            {QStringLiteral("p_Enabled"), QStringLiteral("maybe")}, {QStringLiteral("p_Letter"), QStringLiteral("xyz")},
        };
        TPropsStorage storage(&sample, QStringLiteral("p_"), QStringLiteral("S"), &owner);
        storage.setReadText([&](const QString &, const QString &name, const QString &fallback) {
            return texts.value(name, fallback);
        });
        for (const char *name : {"count", "shape", "styles", "enabled", "letter"})
            storage.loadProperty(QString::fromLatin1(name));
        QCOMPARE(sample.count, 31);
        QCOMPARE(sample.shape, Sample::Square); // no such identifier: unchanged
        QCOMPARE(sample.styles, Sample::Italic | Sample::Bold);
        QCOMPARE(sample.enabled, false);
        QCOMPARE(sample.letter, QChar(u'x'));
        texts[QStringLiteral("p_Count")] = QStringLiteral("twelve");
        storage.loadProperty(QStringLiteral("count"));
        QCOMPARE(sample.count, 0);
    }
};

QTEST_MAIN(FormStorageTest)
#include "tst_formstorage.moc"
