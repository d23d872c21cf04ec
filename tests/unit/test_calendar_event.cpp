// The party's calendar event, read back by an independent reader (Debian's
// python3-icalendar), and the export's choice of the calendar format.
#include "generation/CalendarEvent.h"
#include "generation/PrintAndExport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;

namespace {

// Prints what a calendar program would import: the event's fields, its start
// as a wall-clock time in the zone it was typed in, its length.
const char* const kReader = R"(
import sys, json, icalendar, zoneinfo
calendar = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
events = list(calendar.walk('VEVENT'))
event = events[0]
start = event.decoded('dtstart')
end = event.decoded('dtend')
print(json.dumps({
    'events': len(events),
    'version': str(calendar.get('version')),
    'prodid': str(calendar.get('prodid', '')),
    'uid': str(event.get('uid')),
    'stamp': event.decoded('dtstamp').strftime('%Y-%m-%dT%H:%M:%S%z'),
    'summary': str(event.get('summary', '')),
    'location': str(event.get('location', '')),
    'description': str(event.get('description', '')),
    'start': start.astimezone(zoneinfo.ZoneInfo(sys.argv[2])).strftime('%Y-%m-%d %H:%M'),
    'startUtc': start.strftime('%Y-%m-%dT%H:%M%z'),
    'minutes': (end - start).total_seconds() / 60,
}))
)";

QJsonObject readBack(const QString& path, const QString& zone)
{
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QString::fromUtf8(kReader), path, zone});
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0)
        qWarning().noquote() << reader.readAllStandardError();
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
}

} // namespace

class TestCalendarEvent : public QObject {
    Q_OBJECT
private slots:
    void readsBackAsTyped_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("startUtc");

        QTest::newRow("plain, summer time")
            << QStringList{"Orla Penwick", "Candia Inflatable Play Facility", "Harlan Penwick",
                           "555-0102"}
            << QDate(2021, 8, 31) << QTime(14, 5) << "America/New_York"
            << "2021-08-31T18:05+0000";
        QTest::newRow("commas, semicolons, backslashes, winter time")
            << QStringList{"Smith, Jr.; \\the third\\", "12 Main St., Apt 4; Back\\door",
                           "Ann, Bo; C\\D", "+49 (30) 555-0199, ext. 7;"}
            << QDate(2026, 1, 15) << QTime(10, 30) << "Europe/Berlin"
            << "2026-01-15T09:30+0000";
        QTest::newRow("line ends")
            << QStringList{"Mia", "Line one\r\nLine two\nLine three\rLine four", "Ann\nand Bo",
                           "555\n0102"}
            << QDate(2024, 2, 29) << QTime(23, 59) << "UTC"
            << "2024-02-29T23:59+0000";
        QTest::newRow("the day before in UTC")
            << QStringList{"Aarav", "Bandra West, Mumbai", "Priya", "+91 22 5550 1234"}
            << QDate(2021, 8, 31) << QTime(0, 15) << "Asia/Kolkata"
            << "2021-08-30T18:45+0000";
        QTest::newRow("emoji and multi-byte, folded")
            << QStringList{QStringLiteral("Zo\u00eb \U0001F389\U0001F382 ").repeated(9),
                           QStringLiteral("\u65e5\u672c\u8a9e\u306e\u4f1a\u5834, ").repeated(30),
                           QStringLiteral("\u00c5sa \U0001F600; ").repeated(20),
                           QStringLiteral("\u260e 555-0102 \U0001F4DE").repeated(10)}
            << QDate(2030, 12, 31) << QTime(18, 0) << "Asia/Tokyo"
            << "2030-12-31T09:00+0000";
    }
    void readsBackAsTyped()
    {
        QFETCH(QStringList, texts);
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        QFETCH(QString, zone);
        QFETCH(QString, startUtc);
        InvitationValues values;
        for (int i = 0; i < 4; ++i)
            values.texts[i] = texts[i];
        values.birthDate = date;
        values.birthTime = time;
        const QDateTime stamp(QDate(2026, 12, 8), QTime(18, 45, 12), Qt::UTC);
        const QByteArray text = calendar::calendarEvent(values, calendar::newEventUid(), stamp,
                                                        QTimeZone(zone.toLatin1()));

        // Every line ends in CRLF, holds at most 75 octets and whole characters.
        QVERIFY(text.endsWith("\r\n"));
        const QList<QByteArray> lines = text.chopped(1).split('\n');
        for (const QByteArray& line : lines) {
            QVERIFY2(line.endsWith('\r'), line.constData());
            QVERIFY2(line.size() - 1 <= 75, line.constData());
            QStringDecoder utf8(QStringDecoder::Utf8);
            const QString decoded = utf8.decode(line);
            Q_UNUSED(decoded);
            QVERIFY2(!utf8.hasError(), line.constData());
        }

        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("party.ics"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        const QJsonObject event = readBack(path, zone);
        QCOMPARE(event.value("events").toInt(), 1);
        QCOMPARE(event.value("version").toString(), QStringLiteral("2.0"));
        QVERIFY(!event.value("prodid").toString().isEmpty());
        QVERIFY2(event.value("uid").toString().endsWith(QStringLiteral("@velmora.app")),
                 qPrintable(event.value("uid").toString()));
        QCOMPARE(event.value("stamp").toString(), QStringLiteral("2026-12-08T18:45:12+0000"));
        QCOMPARE(event.value("start").toString(),
                 date.toString(Qt::ISODate) + u' ' + time.toString(QStringLiteral("HH:mm")));
        QCOMPARE(event.value("startUtc").toString(), startUtc);
        QCOMPARE(event.value("minutes").toDouble(), 120.0);

        const QString summary = event.value("summary").toString();
        QVERIFY2(summary.contains(texts[0].simplified()), qPrintable(summary));
        QVERIFY2(summary.contains(QStringLiteral("irthday party")), qPrintable(summary));
        QString location = texts[1].trimmed();
        location.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        QCOMPARE(event.value("location").toString(), location);
        const QString description = event.value("description").toString();
        QVERIFY2(description.contains(texts[2].trimmed()), qPrintable(description));
        QVERIFY2(description.contains(texts[3].trimmed()), qPrintable(description));
    }

    // A name ending in ".ics" is a calendar event whatever type is chosen; the
    // last type adds the suffix to any other name.
    void calendarExportTarget_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("calendar");
        QTest::newRow("typed, PDF chosen") << "party.ics" << 0 << "party.ics" << true;
        QTest::newRow("typed in capitals") << "party.ICS" << 2 << "party.ICS" << true;
        QTest::newRow("chosen, no suffix") << "party" << 3 << "party.ics" << true;
        QTest::newRow("chosen, PDF typed") << "party.pdf" << 3 << "party.pdf" << false;
        QTest::newRow("chosen, other suffix") << "party.txt" << 3 << "party.txt.ics" << true;
    }
    void calendarExportTarget()
    {
        QFETCH(QString, name);
        QFETCH(int, filter);
        QFETCH(QString, path);
        QFETCH(bool, calendar);
        QVERIFY(kExportFilter.endsWith(QStringLiteral("|Calendar event (*.ics)|*.ics")));
        const ExportTarget target = exportTarget(name, filter);
        QCOMPARE(target.path, path);
        QCOMPARE(target.format == ExportFormat::Calendar, calendar);
    }
};

QTEST_GUILESS_MAIN(TestCalendarEvent)
#include "test_calendar_event.moc"
