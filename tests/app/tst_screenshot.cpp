// Renders the main window at its design size into a PNG, for a look at the
// layout under a real X server:
//
//     DEPEXPORT_SCREENSHOT_DIR=/tmp/shots QT_QPA_PLATFORM=xcb xvfb-run -a ./tst_screenshot
//
// Without DEPEXPORT_SCREENSHOT_DIR the test is skipped.

#include "FormatSettings.h"
#include "IsolatedSettings.h"
#include "TRadioGroup.h"
#include "Tfrm_dep.h"

#include <QDir>
#include <QPixmap>
#include <QTest>

class ScreenshotTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_settings.clear(); }

    void designSize()
    {
        const QString folder = qEnvironmentVariable("DEPEXPORT_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("DEPEXPORT_SCREENSHOT_DIR is not set");
        QVERIFY(QDir().mkpath(folder));
        FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QStringLiteral("de_DE"))));

        Tfrm_dep window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.rg_version->setItemIndex(4);
        QCOMPARE(window.size(), QSize(601, 577));

        const QPixmap picture = window.grab();
        QCOMPARE(picture.size() / picture.devicePixelRatio(), QSize(601, 577));
        const QString file = QDir(folder).filePath(QStringLiteral("Tfrm_dep.png"));
        QVERIFY(picture.save(file, "PNG"));
        qInfo("%s", qPrintable(file));
    }

private:
    IsolatedSettings m_settings;
};

QTEST_MAIN(ScreenshotTest)
#include "tst_screenshot.moc"
