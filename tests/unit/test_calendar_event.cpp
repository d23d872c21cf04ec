// The party's calendar event, read back by Debian's python3-icalendar.
#include "generation/CalendarEvent.h"
#include "generation/PrintAndExport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;

namespace {

// What a calendar program imports: the fields, the start as wall-clock time
// in the zone it was typed in and in UTC, the length in minutes.
const char* const kReader = R"(
import sys, json, icalendar, zoneinfo
calendar = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
[e] = calendar.walk('VEVENT')
s = e.decoded('dtstart')
print(json.dumps([str(calendar['version']), str(e['uid']), str(e['summary']), str(e['location']),
    str(e['description']), e.decoded('dtstamp').isoformat(), s.isoformat(),
    s.astimezone(zoneinfo.ZoneInfo(sys.argv[2])).strftime('%Y-%m-%dT%H:%M'),
    (e.decoded('dtend') - s).total_seconds() / 60]))
)";

} // namespace

class TestCalendarEvent : public QObject {
    Q_OBJECT
private slots:
    void readsBackAsTyped_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QDateTime>("typed");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("utc");
        QTest::newRow("commas, semicolons, backslashes, winter time, seconds dropped")
            << QStringList{"Smith, Jr.; \\the third\\", "12 Main St., Apt 4; Back\\door",
                           "Ann, Bo; C\\D", "+49 (30) 555-0199, ext. 7;"}
            << QDateTime({2026, 1, 15}, {10, 30, 42}) << "Europe/Berlin"
            << "2026-01-15T09:30:00+00:00";
        QTest::newRow("line ends, the day before in UTC")
            << QStringList{"Mia", "Line one\r\nLine two\nLine three\rLine four", "Ann\nand Bo",
                           "555\n0102"}
            << QDateTime({2021, 8, 31}, {0, 15}) << "Asia/Kolkata"
            << "2021-08-30T18:45:00+00:00";
        QTest::newRow("emoji and multi-byte, folded, summer time")
            << QStringList{QStringLiteral("Zo\u00eb \U0001F389\U0001F382 ").repeated(9),
                           QStringLiteral("\u65e5\u672c\u8a9e\u306e\u4f1a\u5834, ").repeated(30),
                           QStringLiteral("\u00c5sa \U0001F600; ").repeated(20),
                           QStringLiteral("\u260e 555-0102 \U0001F4DE").repeated(10)}
            << QDateTime({2030, 8, 31}, {18, 0}) << "America/New_York"
            << "2030-08-31T22:00:00+00:00";
    }
    void readsBackAsTyped()
    {
        QFETCH(QStringList, texts);
        QFETCH(QDateTime, typed);
        QFETCH(QString, zone);
        QFETCH(QString, utc);
        InvitationValues values;
        values.texts = {texts[0], texts[1], texts[2], texts[3]};
        values.birthDate = typed.date();
        values.birthTime = typed.time();
        const QByteArray text = calendar::calendarEvent(
            values, calendar::newEventUid(), QDateTime({2026, 12, 8}, {18, 45, 12}, Qt::UTC),
            QTimeZone(zone.toLatin1()));

        // CRLF line ends, at most 75 octets a line, no character cut in two.
        QVERIFY(text.startsWith("BEGIN:VCALENDAR\r\n") && text.endsWith("END:VCALENDAR\r\n"));
        for (const QByteArray& line : text.chopped(2).split('\n')) {
            QStringDecoder utf8(QStringDecoder::Utf8);
            QVERIFY2(QString(utf8.decode(line)).size() >= 0 && !utf8.hasError() && line.size() <= 76
                         && (line.endsWith('\r') || line == "END:VCALENDAR"),
                     line.constData());
        }

        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("party.ics")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();
        QProcess reader;
        reader.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"), QString::fromUtf8(kReader), file.fileName(), zone});
        QVERIFY(reader.waitForFinished(30000));
        const QJsonArray read = QJsonDocument::fromJson(reader.readAllStandardOutput()).array();
        QVERIFY2(read.size() == 9, reader.readAllStandardError().constData());
        QCOMPARE(read[0].toString(), QStringLiteral("2.0"));
        QVERIFY(read[1].toString().endsWith(QStringLiteral("@velmora.app")));
        QVERIFY(read[2].toString().contains(QStringLiteral("irthday party for ")
                                            + texts[0].simplified()));
        QString location = texts[1].trimmed().replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(read[3].toString(), location.replace(u'\r', u'\n'));
        QVERIFY(read[4].toString().contains(texts[2].trimmed())
                && read[4].toString().contains(texts[3].trimmed()));
        QCOMPARE(read[5].toString(), QStringLiteral("2026-12-08T18:45:12+00:00"));
        QCOMPARE(read[6].toString(), utc);
        QCOMPARE(read[7].toString(), typed.toString(Qt::ISODate).left(16));
        QCOMPARE(read[8].toDouble(), 120.0);
    }

    // ".ics" typed is a calendar event whatever type is chosen; the last type
    // adds the suffix to a name without a known one.
    void calendarExportTarget()
    {
        QVERIFY(kExportFilter.endsWith(QStringLiteral("|Calendar event (*.ics)|*.ics")));
        QCOMPARE(exportTarget(QStringLiteral("party.ICS"), 0).format, ExportFormat::Calendar);
        QCOMPARE(exportTarget(QStringLiteral("party"), 3).path, QStringLiteral("party.ics"));
        QCOMPARE(exportTarget(QStringLiteral("party.pdf"), 3).format, ExportFormat::Pdf);
    }
};

QTEST_GUILESS_MAIN(TestCalendarEvent)
#include "test_calendar_event.moc"
