// The guest list's window over the preview: opened with Ctrl+G and the focus
// in the list, counted as typed, remembered in guests.txt, filled from a file,
// a file that is no list refused without a change.
#include "generation/GuestList.h"
#include "preview/Form2.h"
#include "preview/GuestsMaking.h"
#include "preview/GuestsWindow.h"
#include "preview/PageActions.h"
#include "tests/support/Controls.h"
#include "tests/support/FakeOffice.h"
#include "tests/support/Pictures.h"
#include "tests/support/TestPlatform.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;

namespace {

struct Preview {
    testing::TestPlatform test;
    testing::FakeOffice office;
    Form2 form{test.platform()};

    Preview()
    {
        // A page to show, so that the preview's first display reports nothing.
        QImage page(306, 396, QImage::Format_RGB32);
        page.fill(Qt::white);
        const QString picture = test.path(QStringLiteral("temp.bmp"));
        page.save(picture, "BMP");
        form.loadPicture(picture);
        form.pageActions().setOffice(office);
        form.show();
    }
    GuestsWindow* open()
    {
        QApplication::setActiveWindow(&form);
        QTest::keySequence(&form, QKeySequence(QStringLiteral("Ctrl+G")));
        return form.guestsWindow();
    }
};

QPlainTextEdit* listOf(const GuestsWindow* window)
{
    return testing::control<QPlainTextEdit>(*window, QStringLiteral("GuestList"));
}

QString countOf(const GuestsWindow* window)
{
    return testing::control<QLabel>(*window, QStringLiteral("GuestCount"))->text();
}

// As a column comes from a spreadsheet or a chat.
void paste(const GuestsWindow* window, const QString& text)
{
    QApplication::clipboard()->setText(text);
    QTest::keySequence(listOf(window), QKeySequence::Paste);
}

QByteArray stored()
{
    QFile file(guests::storePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

} // namespace

class TestGuestsWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(mData.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(mData.path()));
    }
    void init() { QFile::remove(guests::storePath()); }

    // In the page's menu after "Designs…" and in its tooltip; Ctrl+G opens
    // one window with the focus in the list; "< Back" closes it.
    void opensFromThePreview()
    {
        Preview preview;
        QStringList entries;
        for (const QAction* action : preview.form.pageActions().menu().actions())
            entries << action->text() + u'\t' + action->shortcut().toString();
        QCOMPARE(entries.mid(3, 2), QStringList({"Designs…\tCtrl+D", "Guests…\tCtrl+G"}));
        auto* page = testing::control<QWidget>(preview.form, QStringLiteral("Picture1"));
        QVERIFY(page->toolTip().contains(QStringLiteral("Guests: Ctrl+G")));
        QVERIFY(page->accessibleDescription().contains(QStringLiteral("Ctrl+G")));

        GuestsWindow* window = preview.open();
        QVERIFY(window && window->isVisible() && !window->isModal());
        QCOMPARE(window->windowTitle(), QStringLiteral("Guests"));
        QCOMPARE(window->focusWidget(), listOf(window));
        QCOMPARE(preview.open(), window);
        testing::control<QPushButton>(preview.form, QStringLiteral("PushButton8"))->click();
        QTRY_VERIFY(!preview.form.guestsWindow());
        QCOMPARE(preview.test.dialogs.errorReports(), QStringList());
    }

    void countsTheGuests_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("count");
        const auto row = [](const char* name, const QString& text, const char* count) {
            QTest::newRow(name) << text << QString::fromUtf8(count);
        };
        QStringList many;
        for (int i = 1; i <= 1001; ++i)
            many << QStringLiteral("Guest %1").arg(i);
        row("blank lines and spaces", "  \n\n \t \n", "No guests");
        row("a column with gaps", " Anna Ode \n\n\tBen\n   \nCara Lin  \n", "3 guests");
        row("1001", many.join(u'\n'), "1001 guests: at most 1000 are made");
        row("201 characters", "Anna\n" + QString(201, u'x'),
            "2 guests: 1 name is over 200 characters");
    }
    void countsTheGuests()
    {
        QFETCH(QString, text);
        QFETCH(QString, count);
        Preview preview;
        GuestsWindow* window = preview.open();
        QCOMPARE(countOf(window), QStringLiteral("No guests"));
        paste(window, text);
        QCOMPARE(countOf(window), count);
        QCOMPARE(listOf(window)->toPlainText(), text);
    }

    // Written once typing rests and when the window closes; read back by the next.
    void theListIsRemembered()
    {
        Preview preview;
        GuestsWindow* window = preview.open();
        paste(window, QStringLiteral("Zoë Kowalska\n\n  Ben Ode \n"));
        QTRY_COMPARE(stored(), QByteArray("Zo\xC3\xAB Kowalska\nBen Ode\n"));
        QTest::keyClicks(listOf(window), QStringLiteral("Cara"));
        testing::control<QPushButton>(*window, QStringLiteral("CloseGuests"))->click();
        QCOMPARE(stored(), QByteArray("Zo\xC3\xAB Kowalska\nBen Ode\nCara\n"));
        QTRY_VERIFY(!preview.form.guestsWindow());
        window = preview.open();
        QCOMPARE(listOf(window)->toPlainText(), QStringLiteral("Zoë Kowalska\nBen Ode\nCara"));
    }

    void imports_data()
    {
        for (const char* column : {"before", "file", "bytes", "after", "message"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<bool>("warning");
        const auto row = [](const char* name, const char* before, const char* file,
                            const QString& bytes, const char* after, const QString& message,
                            bool warning) {
            QTest::newRow(name) << QString::fromUtf8(before) << QString::fromUtf8(file) << bytes
                                << QString::fromUtf8(after) << message << warning;
        };
        row("CSV", "Anna\n\n", "guests.csv",
            "Name,Email\nBen Ode,b@example.org\n,c@example.org\nCara Lin,d@example.org\n",
            "Anna\nBen Ode\nCara Lin",
            "Added 2 guests from \"guests.csv\".\n\n1 row was skipped:\nrow 3: no name", false);
        QString reasons;
        for (int line = 2; line <= 11; ++line)
            reasons += QStringLiteral("\nrow %1: no name").arg(line);
        row("twelve rows without a name", "", "list.csv",
            "Name;Phone\n" + QStringLiteral(";555\n").repeated(12) + "Dara\n", "Dara",
            "Added 1 guest from \"list.csv\".\n\n12 rows were skipped:" + reasons + "\nand 2 more",
            false);
        row("a picture", "Anna\n", "photo.png", QString::fromLatin1("\x89PNG\r\n\x1a\n"), "Anna\n",
            "\"photo.png\" is a picture, not a guest list.", true);
    }
    void imports()
    {
        QFETCH(QString, before);
        QFETCH(QString, file);
        QFETCH(QString, bytes);
        QFETCH(QString, after);
        QFETCH(QString, message);
        QFETCH(bool, warning);
        QFile source(mData.filePath(file));
        QVERIFY(source.open(QIODevice::WriteOnly) && source.write(bytes.toLatin1()) > 0);
        source.close();
        Preview preview;
        testing::ScriptedDialogs& dialogs = preview.test.dialogs;
        GuestsWindow* window = preview.open();
        paste(window, before);
        dialogs.nextOpenFileNames << source.fileName();
        QApplication::setActiveWindow(window);
        QTest::keySequence(listOf(window), QKeySequence(QStringLiteral("Ctrl+I")));
        QCOMPARE(dialogs.openDialogs.join(u'\n'),
                 QStringLiteral("Import Guests|Guest lists|*.csv *.tsv *.txt *.vcf *.vcard|"
                                "All files|*"));
        QCOMPARE(listOf(window)->toPlainText(), after);
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown.first().text, message);
        QCOMPARE(dialogs.shown.first().icon == Dialogs::Icon::Warning, warning);
    }

    // A list that cannot be written is told of once, as a warning (no Error report).
    void aListThatCannotBeKept()
    {
        QVERIFY(QDir().mkpath(guests::storePath()));
        Preview preview;
        GuestsWindow* window = preview.open();
        paste(window, QStringLiteral("Anna\n"));
        QTRY_COMPARE(preview.test.dialogs.shown.size(), 1);
        paste(window, QStringLiteral("Ben\n"));
        QTest::qWait(2 * GuestsWindow::kSaveDelayMs);
        window->close();
        QCOMPARE(preview.test.dialogs.shown.size(), 1);
        QCOMPARE(preview.test.dialogs.shown.first().icon, Dialogs::Icon::Warning);
        QTRY_VERIFY(!preview.form.guestsWindow());
        QVERIFY(QDir(guests::storePath()).removeRecursively());
    }

    // Ctrl+S in the window: the save dialog's types, one question for the
    // files that exist, the progress and the closing message.
    void savingForEveryGuest_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("oneExists");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QString>("message");
        QTest::newRow("a picture each")
            << "Anna\n Ben \n\n"
            << false << 0 << QStringList{"Card - Anna.png", "Card - Ben.png"}
            << "Done. 2 invitations saved in";
        QTest::newRow("one exists, replaced after one question")
            << "Anna\nBen" << true << int(Dialogs::Yes)
            << QStringList{"Card - Anna.png", "Card - Ben.png"}
            << "1 of the 2 files exist already in";
        QTest::newRow("one exists, kept")
            << "Anna\nBen" << true << int(Dialogs::No) << QStringList{"Card - Anna.png"}
            << "1 of the 2 files exist already in";
        QTest::newRow("no guests") << "\n  \n"
                                   << false << 0 << QStringList{} << "There are no guests yet.";
    }
    void savingForEveryGuest()
    {
        QFETCH(QString, list);
        QFETCH(bool, oneExists);
        QFETCH(int, answer);
        QFETCH(QStringList, written);
        QFETCH(QString, message);
        QTemporaryDir out;
        const QString existing = out.filePath(QStringLiteral("Card - Anna.png"));
        if (oneExists) {
            QFile file(existing);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("old") == 3);
        }
        Preview preview;
        testing::ScriptedDialogs& dialogs = preview.test.dialogs;
        GuestsWindow* window = preview.open();
        paste(window, list);
        dialogs.nextFileNames << out.filePath(QStringLiteral("Card.png"));
        dialogs.nextFilters << 0;
        if (answer)
            dialogs.nextAnswers << answer;
        QApplication::setActiveWindow(window);
        QTest::keySequence(listOf(window), QKeySequence(QStringLiteral("Ctrl+S")));
        QTRY_VERIFY(!window->making().busy());
        QTRY_VERIFY(!dialogs.shown.isEmpty());
        QVERIFY2(dialogs.shown.first().text.startsWith(message),
                 qPrintable(dialogs.shown.first().text));
        QStringList files = QDir(out.path()).entryList(QDir::Files);
        files.sort();
        QCOMPARE(files, written);
        if (oneExists) {
            QFile file(existing);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll() == "old", answer == Dialogs::No);
        }
    }

    // Ctrl+P in the window: the print dialog, then one job with a page for
    // each guest.
    void printingForEveryGuest()
    {
        Preview preview;
        testing::ScriptedDialogs& dialogs = preview.test.dialogs;
        GuestsWindow* window = preview.open();
        paste(window, QStringLiteral("Anna\nBen\nCleo\n"));
        PrintSettings settings;
        settings.queue = preview.test.spooler->installed.first().queue;
        settings.copies = 1;
        dialogs.nextPrintSettings << settings;
        QApplication::setActiveWindow(window);
        QTest::keySequence(listOf(window), QKeySequence(QStringLiteral("Ctrl+P")));
        QTRY_COMPARE(preview.test.spooler->jobs.size(), 1);
        QTRY_VERIFY(!window->making().busy());
        QCOMPARE(dialogs.printDialogs, QStringList{QStringLiteral("Print for Every Guest")});
        QTemporaryDir out;
        QFile pdf(out.filePath(QStringLiteral("job.pdf")));
        QVERIFY(pdf.open(QIODevice::WriteOnly));
        pdf.write(preview.test.spooler->jobs.first().pdf);
        pdf.close();
        QVERIFY(testing::toolOutput(QStringLiteral("pdfinfo"), {pdf.fileName()})
                    .contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n"))));
        QCOMPARE(dialogs.shown.size(), 0);
        QCOMPARE(preview.office.applicationsAlive(), 0);
    }

private:
    QTemporaryDir mData;
};

QTEST_MAIN(TestGuestsWindow)
#include "test_guests_window.moc"
