// The main window under a real X server (xvfb-run), once with the Windows
// font faces of fonts-wine and once with only the fonts of a minimal desktop
// (DEPEXPORT_WINDOWS_FONTS_DIR empty): every caption keeps within its
// control, and a shrunken window keeps the variant captions readable. A
// picture of the window goes to DEPEXPORT_SCREENSHOT_DIR when it is set:
//
//     DEPEXPORT_SCREENSHOT_DIR=/tmp/shots QT_QPA_PLATFORM=xcb xvfb-run -a ./tst_screenshot

#include "FormatSettings.h"
#include "IsolatedSettings.h"
#include "TDateEdit.h"
#include "TDirectoryEdit.h"
#include "TRadioGroup.h"
#include "Tfrm_dep.h"
#include "WindowFonts.h"

#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

class ScreenshotTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FormatSettings::setCurrent(FormatSettings::fromLocale(QLocale(QStringLiteral("de_DE")))); }
    void init() { m_settings.clear(); }

    void designedFacesWhenInstalled()
    {
        const bool expected = qEnvironmentVariable("DEPEXPORT_WINDOWS_FONTS_DIR", QStringLiteral("-")) != QString();
        Tfrm_dep window;
        QCOMPARE(WindowFonts::load(), expected && QFile::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf")));
        if (WindowFonts::load()) {
            QCOMPARE(QFontInfo(window.btn_dep7_export->font()).family(), QStringLiteral("Tahoma"));
            QCOMPARE(QFontInfo(window.ed_vondatum->font()).family(), QStringLiteral("MS Sans Serif"));
        }
        // The headings draw 16 pixels high and bold with whatever faces
        // there are: the bitmap face of "MS Sans Serif" has neither.
        for (const QLabel *heading : {window.Label3, window.Label4}) {
            const QFontInfo face(heading->font());
            QVERIFY2(face.bold() && face.pixelSize() >= 16 && heading->font().underline(),
                     qPrintable(face.family() + u' ' + QString::number(face.pixelSize())));
            QVERIFY(heading->fontMetrics().height() >= 16);
        }
    }

    void captionsKeepWithinTheirControls()
    {
        Tfrm_dep window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.size(), QSize(601, 577));

        // A label ends before the field to its right begins; a heading within its panel.
        const QList<std::pair<QLabel *, int>> labels = {
            {window.lbl_zeitraumvon, window.ed_vondatum->x()}, {window.lbl_zeitraumbis, window.ed_bisdatum->x()},
            {window.Label1, window.ed_datenbank->x()},         {window.Label2, window.ed_passwort->x()},
            {window.Label5, window.ed_servername->x()},        {window.Label3, window.pnl_access->width()},
            {window.Label4, window.Panel3->width()}};
        for (const auto &[label, limit] : labels) {
            const int right = label->x() + label->fontMetrics().horizontalAdvance(label->text());
            QVERIFY2(right < limit, qPrintable(QStringLiteral("%1 ends at %2, its room at %3")
                                                   .arg(label->objectName()).arg(right).arg(limit)));
            QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->text()));
        }
        // A button caption follows the 32-pixel picture 15 pixels from the left edge.
        for (QPushButton *button : {window.btn_dep131_export, window.btn_dep7_export, window.btn_log_export}) {
            const int right = 15 + 32 + 5 + button->fontMetrics().horizontalAdvance(button->text());
            QVERIFY2(right < button->width(), qPrintable(button->text()));
        }
        saveScreenshot(window, QStringLiteral("Tfrm_dep"));
    }

    void shrunkenWindowKeepsVariantsReadable()
    {
        Tfrm_dep window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(50, 50);
        QTRY_VERIFY(window.width() > 50);
        QVERIFY(window.width() >= window.btn_log_export->geometry().right());
        QVERIFY(window.width() >= window.ed_servername->geometry().right());
        for (int i = 0; i < window.rg_version->count(); ++i) {
            const QRadioButton *item = window.rg_version->button(i);
            QVERIFY2(item->height() >= item->fontMetrics().height(), qPrintable(item->text()));
            if (i > 0)
                QVERIFY(item->y() >= window.rg_version->button(i - 1)->geometry().bottom());
        }
        saveScreenshot(window, QStringLiteral("Tfrm_dep-smallest"));
    }

private:
    static void saveScreenshot(Tfrm_dep &window, const QString &name)
    {
        const QString folder = qEnvironmentVariable("DEPEXPORT_SCREENSHOT_DIR");
        if (folder.isEmpty())
            return;
        QVERIFY(QDir().mkpath(folder));
        const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
        QVERIFY(window.grab().save(file, "PNG"));
        qInfo("%s", qPrintable(file));
    }

    IsolatedSettings m_settings;
};

QTEST_MAIN(ScreenshotTest)
#include "tst_screenshot.moc"
