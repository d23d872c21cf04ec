#include "generation/Invitation.h"

#include <QTest>

using namespace velmora::invitation;

class InvitationTest : public QObject {
    Q_OBJECT
private slots:
    void genderPhraseRule()
    {
        const Replacement male = textReplacement(kCelebrantTag, QStringLiteral("Ann"), true);
        QCOMPARE(male.search, QStringLiteral("[Celebrant] celebrate her"));
        QCOMPARE(male.replacement, QStringLiteral("Ann celebrate his"));

        const Replacement female = textReplacement(kCelebrantTag, QStringLiteral("Ann"), false);
        QCOMPARE(female.search, QStringLiteral("[Celebrant]"));
        QCOMPARE(female.replacement, QStringLiteral("Ann"));
    }

    void genderRuleComparesTheTagExactly()
    {
        const Replacement other =
            textReplacement(QStringLiteral("[celebrant]"), QStringLiteral("Ann"), true);
        QCOMPARE(other.search, QStringLiteral("[celebrant]"));
        QCOMPARE(other.replacement, QStringLiteral("Ann"));
        const Replacement location = textReplacement(kLocationTag, QString(), true);
        QCOMPARE(location.search, kLocationTag);
        QVERIFY(location.replacement.isEmpty());
    }

    void textsGoInExactlyAsTyped()
    {
        const QString typed =
            QStringLiteral("  \t[Location] \U0001F389 \u05E9\u05DC\u05D5\u05DD  ");
        QCOMPARE(textReplacement(kGivenByTag, typed, true).replacement, typed);
    }

    // A guest line without a guest leaves none of its words; the text a box
    // is left with after the replacement is what the page shows.
    void guestLine_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("guest");
        QTest::addColumn<QString>("shown");
        QTest::newRow("named") << "Dear [Guest],"
                               << "Zoë Ångström"
                               << "Dear Zoë Ångström,";
        QTest::newRow("no guest: the line goes") << "Dear [Guest],"
                                                 << ""
                                                 << "";
        QTest::newRow("no guest, other lines stay") << "For [Guest]\nwith love from [GivenBy]"
                                                    << ""
                                                    << "For \nwith love from [GivenBy]";
        QTest::newRow("a guest called like a token") << "For [Guest]"
                                                     << "[Celebrant]"
                                                     << "For [Celebrant]";
    }
    void guestLine()
    {
        QFETCH(QString, box);
        QFETCH(QString, guest);
        QFETCH(QString, shown);
        const Replacement replacement = spotReplacement(box, kGuestTag, guest);
        QCOMPARE(QString(box).replace(replacement.search, replacement.replacement), shown);
    }

    void tagsInElementOrder()
    {
        QCOMPARE(kTextTags[0], QStringLiteral("[Celebrant]"));
        QCOMPARE(kTextTags[1], QStringLiteral("[Location]"));
        QCOMPARE(kTextTags[2], QStringLiteral("[GivenBy]"));
        QCOMPARE(kTextTags[3], QStringLiteral("[RSVPNo]"));
    }

    void birthDateText_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("example") << QDate(2021, 8, 31) << "August 31, 2021";
        QTest::newRow("no leading zero") << QDate(2021, 8, 3) << "August 3, 2021";
        QTest::newRow("earliest") << QDate(1601, 1, 1) << "January 1, 1601";
        QTest::newRow("latest") << QDate(9999, 12, 31) << "December 31, 9999";
    }
    void birthDateText()
    {
        QFETCH(QDate, date);
        QFETCH(QString, text);
        QCOMPARE(velmora::invitation::birthDateText(
                     date, QLocale(QLocale::English, QLocale::UnitedStates)),
                 text);
    }

    void birthDateUsesTheLocalesMonthNames()
    {
        QCOMPARE(velmora::invitation::birthDateText(QDate(2021, 8, 31), QLocale(QLocale::German)),
                 QStringLiteral("August 31, 2021"));
        QCOMPARE(velmora::invitation::birthDateText(QDate(2021, 3, 1), QLocale(QLocale::French)),
                 QStringLiteral("mars 1, 2021"));
    }

    void birthTimeText_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("text");
        QTest::newRow("afternoon") << QTime(14, 5) << "2:05 P.M.";
        QTest::newRow("after midnight") << QTime(0, 30) << "12:30 A.M.";
        QTest::newRow("noon") << QTime(12, 0) << "12:00 P.M.";
        QTest::newRow("midnight") << QTime(0, 0) << "12:00 A.M.";
        QTest::newRow("morning") << QTime(9, 59, 59) << "9:59 A.M.";
        QTest::newRow("last minute") << QTime(23, 59) << "11:59 P.M.";
    }
    void birthTimeText()
    {
        QFETCH(QTime, time);
        QFETCH(QString, text);
        QCOMPARE(velmora::invitation::birthTimeText(
                     time, QLocale(QLocale::English, QLocale::UnitedStates)),
                 text);
    }

    void otherDesignatorsAreNotRewritten()
    {
        QLocale korean(QLocale::Korean, QLocale::SouthKorea);
        const QString text = velmora::invitation::birthTimeText(QTime(14, 5), korean);
        QCOMPARE(text, QStringLiteral("2:05 ") + korean.pmText());
        QVERIFY(!text.contains(QStringLiteral("P.M.")));
    }
};

QTEST_GUILESS_MAIN(InvitationTest)
#include "test_invitation.moc"
