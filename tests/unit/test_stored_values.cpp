#include "mainwindow/StoredValues.h"
#include "platform/Failure.h"

#include <QTest>

using namespace velmora;
using namespace velmora::stored;

class StoredValuesTest : public QObject {
    Q_OBJECT
private slots:
    void datesReadBackExactly_data()
    {
        QTest::addColumn<QString>("localeName");
        QTest::addColumn<QDateTime>("value");
        const QList<QDateTime> values = {
            QDateTime(QDate(2021, 8, 31), QTime(14, 5, 37)),
            QDateTime(QDate(2021, 8, 31), QTime(0, 0)),
            QDateTime(QDate(1601, 1, 1), QTime(0, 0, 1)),
            QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59)),
            QDateTime(QDate(1899, 12, 30), QTime(7, 30, 15)),
            QDateTime(QDate(2030, 1, 5), QTime(12, 0)),
            QDateTime(QDate(1925, 6, 7), QTime(0, 30)),
        };
        for (const char* name :
             {"en_US", "de_DE", "en_GB", "fr_FR", "ja_JP", "C", "ar_EG", "ko_KR"}) {
            for (const QDateTime& value : values)
                QTest::newRow(
                    qPrintable(QStringLiteral("%1 %2").arg(name, value.toString(Qt::ISODate))))
                    << QString::fromLatin1(name) << value;
        }
    }
    void datesReadBackExactly()
    {
        QFETCH(QString, localeName);
        QFETCH(QDateTime, value);
        const QLocale locale(localeName);
        const QString text = generalDateText(value, locale);
        QCOMPARE(parseGeneralDate(text, locale), value);
    }

    void generalFormLeavesOutMidnightAndTheZeroDate()
    {
        const QLocale us(QStringLiteral("en_US"));
        QCOMPARE(generalDateText(QDateTime(QDate(2021, 8, 31), QTime(0, 0)), us),
                 QStringLiteral("8/31/2021"));
        QVERIFY(generalDateText(QDateTime(QDate(2021, 8, 31), QTime(14, 5, 7)), us)
                    .startsWith(QStringLiteral("8/31/2021 2:05:07")));
        QVERIFY(!generalDateText(QDateTime(QDate(1899, 12, 30), QTime(9, 0)), us)
                     .contains(QStringLiteral("1899")));
    }

    void textsOfOtherSettingsAreRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("words") << QStringLiteral("not a date");
        QTest::newRow("no locale's order") << QStringLiteral("31.31.2021");
        QTest::newRow("impossible day") << QStringLiteral("2/30/2021");
    }
    void textsOfOtherSettingsAreRefused()
    {
        QFETCH(QString, text);
        QVERIFY_THROWS_EXCEPTION(Failure, parseGeneralDate(text, QLocale(QStringLiteral("en_US"))));
        QVERIFY_THROWS_EXCEPTION(Failure, readStoredDate(text, QLocale(QStringLiteral("en_US"))));
    }

    // A date an earlier run stored under another locale reads back whole.
    void datesOfAnotherLocaleReadBack_data()
    {
        QTest::addColumn<QString>("writtenUnder");
        QTest::addColumn<QString>("readUnder");
        QTest::newRow("de_DE, read under C") << "de_DE"
                                             << "C";
        QTest::newRow("en_US, read under ja_JP") << "en_US"
                                                 << "ja_JP";
        QTest::newRow("en_US, read under ar_EG") << "en_US"
                                                 << "ar_EG";
    }
    void datesOfAnotherLocaleReadBack()
    {
        QFETCH(QString, writtenUnder);
        QFETCH(QString, readUnder);
        const QDateTime value(QDate(2026, 12, 10), QTime(1, 56, 3));
        const QString text = generalDateText(value, QLocale(writtenUnder));
        QCOMPARE(readStoredDate(text, QLocale(readUnder)), value);
    }

    void wholeNumbersRoundHalfToEven()
    {
        QCOMPARE(wholeNumber(QStringLiteral("1")), 1);
        QCOMPARE(wholeNumber(QStringLiteral("2")), 2);
        QCOMPARE(wholeNumber(QStringLiteral("7")), 7);
        QCOMPARE(wholeNumber(QStringLiteral("1.5")), 2);
        QCOMPARE(wholeNumber(QStringLiteral("0.5")), 0);
        QCOMPARE(wholeNumber(QStringLiteral("1.4")), 1);
        QCOMPARE(wholeNumber(QStringLiteral(" 1 ")), 1);
        QVERIFY_THROWS_EXCEPTION(Failure, wholeNumber(QStringLiteral("abc")));
        QVERIFY_THROWS_EXCEPTION(Failure, wholeNumber(QString()));
        QVERIFY_THROWS_EXCEPTION(Failure, wholeNumber(QStringLiteral("1e40")));
    }
};

QTEST_GUILESS_MAIN(StoredValuesTest)
#include "test_stored_values.moc"
