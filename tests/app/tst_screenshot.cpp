// The main window under a real X server (xvfb-run), once with the Windows
// font faces of fonts-wine and once with only the fonts of a minimal desktop
// (DEPEXPORT_WINDOWS_FONTS_DIR empty): every caption keeps within its
// control, each label's text stands on the line of its field's text, the
// headings draw bold, and a shrunken window keeps the variant captions
// readable, its group frame clear of the first button and its caption set
// into the frame. What is drawn is judged on the pixels of the window. A
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
#include <QImage>
#include <QStyle>
#include <QStyleOptionButton>
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

    // The lowest row of a label's text (none of them has a descender) is
    // the lowest row of its field's text, give or take a pixel.
    void labelsStandOnTheLineOfTheirFields()
    {
        Tfrm_dep window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // texts without descenders, shown as they are
        window.ed_datenbank->setText(QStringLiteral("VelmarFaktura"));
        window.ed_passwort->setEchoMode(QLineEdit::Normal);
        window.ed_passwort->setText(QStringLiteral("Kennwort"));
        window.ed_servername->setText(QStringLiteral("KASSENSERVER"));
        const QImage picture = window.grab().toImage();
        const QList<std::pair<QLabel *, QLineEdit *>> pairs = {
            {window.lbl_zeitraumvon, window.ed_vondatum}, {window.lbl_zeitraumbis, window.ed_bisdatum},
            {window.Label1, window.ed_datenbank},         {window.Label2, window.ed_passwort},
            {window.Label5, window.ed_servername}};
        for (const auto &[label, field] : pairs) {
            const QRect labelRect(label->mapTo(&window, QPoint(0, 0)), label->size());
            // inside the field's frame, where its text is
            const QRect fieldRect = QRect(field->mapTo(&window, QPoint(0, 0)), field->size())
                                        .adjusted(3, 3, -3 - field->textMargins().right(), -3);
            const int labelBottom = lowestInkRow(picture, labelRect);
            const int fieldBottom = lowestInkRow(picture, fieldRect);
            QVERIFY2(labelBottom >= 0 && fieldBottom >= 0, qPrintable(label->objectName()));
            QVERIFY2(std::abs(labelBottom - fieldBottom) <= 1,
                     qPrintable(QStringLiteral("%1 stands on row %2, the text of %3 on row %4")
                                    .arg(label->objectName()).arg(labelBottom)
                                    .arg(field->objectName()).arg(fieldBottom)));
        }
        saveScreenshot(window, QStringLiteral("Tfrm_dep-fields"));
    }

    // A heading's text in its font holds clearly more ink than in the same
    // font at regular weight (both without the underline).
    void headingsDrawBold()
    {
        Tfrm_dep window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (QLabel *heading : {window.Label3, window.Label4}) {
            const auto inkIn = [heading](bool bold) {
                QFont font = heading->font();
                font.setUnderline(false);
                font.setBold(bold);
                QLabel probe(heading->text());
                probe.setFont(font);
                probe.setPalette(heading->palette());
                probe.resize(heading->size());
                return ink(probe.grab().toImage());
            };
            QVERIFY(heading->font().bold());
            const double bold = inkIn(true);
            const double thin = inkIn(false);
            QVERIFY2(bold > 1.25 * thin, qPrintable(QStringLiteral("%1: %2 bold, %3 regular")
                                                        .arg(heading->text()).arg(bold).arg(thin)));
        }
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

        // The frame's top line runs above the first button's circle, and
        // the caption stands on the frame, in from its left line.
        TRadioGroup *group = window.rg_version;
        const QImage picture = group->grab().toImage();
        const QRgb outside = picture.pixel(picture.width() - 3, 0);
        int frameTop = -1;
        for (int y = 0; y < picture.height() && frameTop < 0; ++y) {
            if (differs(picture.pixel(picture.width() - 20, y), outside))
                frameTop = y;
        }
        int frameLeft = -1;
        for (int x = 0; x < picture.width() && frameLeft < 0; ++x) {
            if (differs(picture.pixel(x, picture.height() / 2), outside))
                frameLeft = x;
        }
        QVERIFY(frameTop >= 0 && frameLeft >= 0);
        const QRadioButton *first = group->button(0);
        QStyleOptionButton option;
        option.initFrom(first);
        const QRect circle = first->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, first)
                                 .translated(first->pos());
        QVERIFY2(circle.top() > frameTop + 1,
                 qPrintable(QStringLiteral("circle from row %1, frame line on row %2").arg(circle.top()).arg(frameTop)));
        const int captionLeft = leftmostInkColumn(picture, QRect(0, 0, picture.width() / 2, group->fontMetrics().height()));
        QVERIFY2(captionLeft >= frameLeft + 4, qPrintable(QStringLiteral("caption from column %1, frame line in column %2")
                                                              .arg(captionLeft).arg(frameLeft)));
        QVERIFY2(captionLeft > 1, qPrintable(QString::number(captionLeft)));
    }

private:
    static bool dark(QRgb pixel) { return qGray(pixel) < 100; }
    static bool differs(QRgb a, QRgb b) { return std::abs(qGray(a) - qGray(b)) > 12; }

    // The lowest row of `area` with a dark pixel, -1 for none.
    static int lowestInkRow(const QImage &picture, const QRect &area)
    {
        for (int y = area.bottom(); y >= area.top(); --y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (dark(picture.pixel(x, y)))
                    return y;
            }
        }
        return -1;
    }

    static int leftmostInkColumn(const QImage &picture, const QRect &area)
    {
        for (int x = area.left(); x <= area.right(); ++x) {
            for (int y = area.top(); y <= area.bottom(); ++y) {
                if (dark(picture.pixel(x, y)))
                    return x;
            }
        }
        return -1;
    }

    // How much darker than its top-left corner a picture is, summed over its pixels.
    static double ink(const QImage &picture)
    {
        const int background = qGray(picture.pixel(0, 0));
        double sum = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x)
                sum += std::max(0, background - qGray(picture.pixel(x, y)));
        }
        return sum;
    }

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
