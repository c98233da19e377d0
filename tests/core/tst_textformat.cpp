#include "Error.h"
#include "FormatSettings.h"
#include "OleDate.h"

#include <QtTest>

class TestTextFormat : public QObject
{
    Q_OBJECT

    FormatSettings german() const { return FormatSettings::fromLocale(QLocale(QLocale::German, QLocale::Germany)); }

private slots:
    void localeFormats_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("shortDate");
        QTest::addColumn<QString>("dateSeparator");
        QTest::addColumn<QString>("decimal");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "dd/mm/yyyy" << "." << ",";
        QTest::newRow("Austrian") << QLocale(QLocale::German, QLocale::Austria) << "dd/mm/yyyy" << "." << ",";
        QTest::newRow("US") << QLocale(QLocale::English, QLocale::UnitedStates) << "m/d/yyyy" << "/" << ".";
        QTest::newRow("no locale: Austrian") << QLocale::c() << "dd/mm/yyyy" << "." << ",";
        QTest::newRow("Sweden, ISO order") << QLocale(QLocale::Swedish, QLocale::Sweden) << "yyyy/mm/dd" << "-" << ",";
    }
    void localeFormats()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, shortDate);
        QFETCH(QString, dateSeparator);
        QFETCH(QString, decimal);
        const FormatSettings s = FormatSettings::fromLocale(locale);
        QCOMPARE(s.shortDateFormat, shortDate);
        QCOMPARE(QString(s.dateSeparator), dateSeparator);
        QCOMPARE(QString(s.decimalSeparator), decimal);
        if (locale.language() == QLocale::German)
            QCOMPARE(s.longTimeFormat, QStringLiteral("hh:nn:ss"));
    }

    void floatTexts_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("decimal comma") << 1234.5 << "1234,5";
        QTest::newRow("below one") << 0.1 << "0,1";
        QTest::newRow("negative") << -2.25 << "-2,25";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("integral") << 42.0 << "42";
        QTest::newRow("fifteen digits") << 123456789012345.0 << "123456789012345";
        QTest::newRow("exponent above") << 1e15 << "1E15";
        QTest::newRow("smallest plain") << 0.00001 << "0,00001";
        QTest::newRow("exponent below") << 0.000001 << "1E-6";
        QTest::newRow("exponent with fraction") << -2.5e-7 << "-2,5E-7";
        QTest::newRow("small plain") << 0.0001 << "0,0001";
        QTest::newRow("a third") << 1.0 / 3.0 << "0,333333333333333";
        QTest::newRow("float noise rounded") << 0.1 + 0.2 << "0,3";
    }
    void floatTexts()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(TextFormat::floatToText(value, german()), text);
    }

    void dateTimeTexts()
    {
        const FormatSettings s = german();
        const double midnight = OleDate::fromDate(QDate(2019, 3, 1));
        QCOMPARE(TextFormat::dateTimeToText(midnight, s), QStringLiteral("01.03.2019"));
        const double withTime = OleDate::fromDateTime(QDateTime(QDate(2019, 3, 1), QTime(7, 5, 9)));
        QCOMPARE(TextFormat::dateTimeToText(withTime, s), QStringLiteral("01.03.2019 07:05:09"));
        // a run's own separators replace the locale's in the same pictures
        FormatSettings run = s;
        run.dateSeparator = u'-';
        run.timeSeparator = u'.';
        QCOMPARE(TextFormat::dateTimeToText(withTime, run), QStringLiteral("01-03-2019 07.05.09"));
        // before 30 December 1899 the fraction still counts forwards
        const double early = OleDate::fromDateTime(QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
        QCOMPARE(early, -1.25);
        QCOMPARE(TextFormat::dateTimeToText(early, s), QStringLiteral("29.12.1899 06:00:00"));
    }

    void readingDates_data()
    {
        QTest::addColumn<QString>("shortDate");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("German") << "dd/mm/yyyy" << "." << "01.03.2019" << QDate(2019, 3, 1);
        QTest::newRow("German, no zeros") << "dd/mm/yyyy" << "." << "1.3.2019" << QDate(2019, 3, 1);
        QTest::newRow("US") << "m/d/yyyy" << "/" << "3/1/2019" << QDate(2019, 3, 1);
        QTest::newRow("ISO") << "yyyy/mm/dd" << "-" << "2019-03-01" << QDate(2019, 3, 1);
        QTest::newRow("two-digit year") << "dd/mm/yy" << "." << "01.03.19" << QDate(2019, 3, 1);
        QTest::newRow("leap day") << "dd/mm/yyyy" << "." << "29.02.2020" << QDate(2020, 2, 29);
    }
    void readingDates()
    {
        QFETCH(QString, shortDate);
        QFETCH(QString, separator);
        QFETCH(QString, text);
        QFETCH(QDate, date);
        FormatSettings s;
        s.shortDateFormat = shortDate;
        s.dateSeparator = separator.at(0);
        QCOMPARE(OleDate::toDate(TextFormat::textToDate(text, s)), date);
    }

    void invalidDates()
    {
        const FormatSettings s = german();
        for (const QString text : {QStringLiteral("31.02.2019"), QStringLiteral("abc"), QStringLiteral(""),
                                   QStringLiteral("01.13.2019"), QStringLiteral("01/03/2019")}) {
            try {
                TextFormat::textToDate(text, s);
                QFAIL(qPrintable(text + " was accepted"));
            } catch (const Error &e) {
                QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid date").arg(text));
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestTextFormat)
#include "tst_textformat.moc"
