#include "Error.h"
#include "FormatSettings.h"
#include "OleDate.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

#include <clocale>

class TestTextFormat : public QObject
{
    Q_OBJECT

    FormatSettings german() const { return FormatSettings::fromLocale(QLocale(QLocale::German, QLocale::Germany)); }

private slots:
    // The application object takes on the environment's locale (LC_ALL,
    // LC_NUMERIC, LANG) as the program does; a locale the machine has not
    // generated would leave the C library in "C" and prove nothing.
    void environmentLocaleInForce()
    {
        const QByteArray wanted = qgetenv("LC_ALL");
        if (wanted.isEmpty() || wanted == "C" || wanted == "POSIX")
            QSKIP("no locale chosen through LC_ALL");
        QCOMPARE(QByteArray(std::setlocale(LC_NUMERIC, nullptr)), wanted);
    }

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
        QTest::newRow("amount") << 21.9 << "21,9";
        QTest::newRow("ten") << 10.0 << "10";
        QTest::newRow("negative amount") << -1234.56 << "-1234,56";
        QTest::newRow("fifteen digits with fraction") << 1234567.89012345 << "1234567,89012345";
        QTest::newRow("rounded to fifteen digits") << 123456789012.3456 << "123456789012,346";
        QTest::newRow("rounding carries") << 9.9999999999999999 << "10";
        QTest::newRow("Single widened") << double(0.1f) << "0,100000001490116";
        QTest::newRow("largest Double") << 1.7976931348623157e308 << "1,79769313486232E308";
        QTest::newRow("negative zero") << -0.0 << "0";
    }
    void floatTexts()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(TextFormat::floatToText(value, german()), text);
    }

    // Amounts and quantities take a short way; every value must still come
    // out as its rounding to 15 significant digits (C's "%.15g" in the
    // plain range), also where n / 10^k is near but not equal to it.
    void shortDecimalsAsFifteenDigits()
    {
        QRandomGenerator random(1208);
        const auto expected = [](double value) {
            return QString::number(value, 'g', 15).replace(u'.', u',');
        };
        for (int i = 0; i < 200000; ++i) {
            const int decimals = int(random.bounded(6));
            const qint64 whole = qint64(random.generate64() % 1000000000000000ULL) >> random.bounded(50);
            double value = double(whole) / std::pow(10.0, decimals) * (random.bounded(2) ? 1 : -1);
            if (random.bounded(4) == 0)
                value = std::nextafter(value, value * 2 + 1);
            if (std::fabs(value) < 1e-4 || std::fabs(value) >= 1e15)
                continue;
            QCOMPARE(TextFormat::floatToText(value, german()), expected(value));
        }
    }

    void floatTextsWithFewerDigits()
    {
        QCOMPARE(TextFormat::floatToText(double(0.1f), german(), 7), QStringLiteral("0,1"));
        QCOMPARE(TextFormat::floatToText(double(-1234.567f), german(), 7), QStringLiteral("-1234,567"));
        QCOMPARE(TextFormat::floatToText(12345678.0, german(), 7), QStringLiteral("1,234568E7"));
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

    // A locale with a 12-hour clock: the long time format carries its
    // designator, the hours run from 12 to 11.
    void twelveHourClock_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("dateTimeText");
        QTest::addColumn<QString>("timeText");
        QTest::newRow("afternoon") << QTime(14, 52, 29) << "3/1/2019 2:52:29 PM" << "2:52:29 PM";
        QTest::newRow("morning") << QTime(8, 12) << "3/1/2019 8:12:00 AM" << "8:12:00 AM";
        QTest::newRow("after midnight") << QTime(0, 0, 1) << "3/1/2019 12:00:01 AM" << "12:00:01 AM";
        QTest::newRow("noon") << QTime(12, 0) << "3/1/2019 12:00:00 PM" << "12:00:00 PM";
        QTest::newRow("last second") << QTime(23, 59, 59) << "3/1/2019 11:59:59 PM" << "11:59:59 PM";
        QTest::newRow("midnight") << QTime(0, 0) << "3/1/2019" << "12:00:00 AM";
    }
    void twelveHourClock()
    {
        QFETCH(QTime, time);
        QFETCH(QString, dateTimeText);
        QFETCH(QString, timeText);
        const FormatSettings s = FormatSettings::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(s.longTimeFormat, QStringLiteral("h:nn:ss ampm"));
        QCOMPARE(s.timeAMString, QStringLiteral("AM"));
        QCOMPARE(s.timePMString, QStringLiteral("PM"));
        const double day = OleDate::fromDateTime(QDateTime(QDate(2019, 3, 1), time));
        QCOMPARE(TextFormat::dateTimeToText(day, s), dateTimeText);
        QCOMPARE(TextFormat::timeToText(day, s), timeText);
        // the 24-hour pictures of a German locale never show a designator
        QVERIFY(!TextFormat::timeToText(day, german()).contains(u'M'));
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
        for (const QString &text : {QStringLiteral("31.02.2019"), QStringLiteral("abc"), QStringLiteral(""),
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

QTEST_GUILESS_MAIN(TestTextFormat)
#include "tst_textformat.moc"
