// The preview's print, export and copy actions over the fake office and a
// recording print service: found in the menu and by their keys; every fault
// reported at its own step, nothing half-written left, an existing file kept.
#include "errors/ErrorReport.h"
#include "platform/Files.h"
#include "preview/Form2.h"
#include "preview/PageActions.h"
#include "tests/support/Controls.h"
#include "tests/support/FakeOffice.h"
#include "tests/support/TestPlatform.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace velmora;
using testing::FakeOffice;

namespace {

using Op = FakeOffice::Op;

const QByteArray kOldFile = "the invitation saved last week";

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A file system of 64 KiB of its own, to be filled up.
struct SmallDisk {
    QString path;
    bool mounted = false;
    explicit SmallDisk(const QString& at) : path(at)
    {
        QDir().mkpath(path);
        mounted =
            QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("size=64k"), QStringLiteral("tmpfs"), path})
            == 0;
    }
    ~SmallDisk()
    {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {path});
    }
    void fill() const
    {
        QFile filler(path + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        for (const qsizetype size : {4096, 1}) {
            const QByteArray block(size, 'x');
            while (filler.write(block) == size) {
            }
        }
    }
};

// What a modal box does to the windows behind it while it is open: their
// input and their close are not taken.
class ModalBlock : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Close:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::KeyPress:
            return true;
        default:
            return false;
        }
    }
};

// The preview after a hand-over, its office the fake one.
struct Preview {
    testing::TestPlatform test;
    FakeOffice office;
    std::unique_ptr<Form2> form;

    Preview()
    {
        form = std::make_unique<Form2>(test.platform());
        QImage page(306, 396, QImage::Format_RGB32);
        page.fill(Qt::white);
        const QString picture = test.path(QStringLiteral("temp.bmp"));
        page.save(picture, "BMP");
        form->loadPicture(picture);
        QFile::remove(picture);
        form->pageActions().setOffice(office);
        form->pageActions().setCelebrant(QStringLiteral("Orla Penwick"));
        form->mWordFile = test.path(QStringLiteral("tarvik12345678.doc"));
        writeAll(form->mWordFile, "filled invitation");
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    void press(const QKeySequence& keys)
    {
        QTest::keySequence(form.get(), keys);
        QApplication::processEvents();
    }
    QStringList boxes() const
    {
        QStringList texts;
        for (const auto& box : test.dialogs.shown)
            if (box.title != kErrorReportTitle)
                texts << box.text;
        return texts;
    }
};

} // namespace

class TestPageActions : public QObject {
    Q_OBJECT

private slots:
    // The menu lists the actions with their keys; the right button on the
    // page, the Menu key and Shift+F10 open it; the page's tooltip and
    // description name the keys.
    void menuShowsTheActionsAndTheirKeys()
    {
        Preview preview;
        QMenu& menu = preview.form->pageActions().menu();
        QStringList entries;
        for (const QAction* action : menu.actions())
            entries << action->text() + QLatin1Char('\t') + action->shortcut().toString();
        QCOMPARE(
            entries,
            (QStringList{
                QStringLiteral("Print…\tCtrl+P"), QStringLiteral("Save as PDF or Picture…\tCtrl+E"),
                QStringLiteral("Copy Picture\tCtrl+C"), QStringLiteral("Designs…\tCtrl+D"),
                QStringLiteral("Guests…\tCtrl+G"), QStringLiteral("Send by E-mail…\tCtrl+M"),
                QStringLiteral("Add Photo…\tCtrl+I"), QStringLiteral("Remove Photo\t")}));

        QWidget* page = testing::control<QWidget>(*preview.form, QStringLiteral("Picture1"));
        for (const QString& keys :
             {QStringLiteral("Ctrl+P"), QStringLiteral("Ctrl+E"), QStringLiteral("Ctrl+D"),
              QStringLiteral("Ctrl+G"), QStringLiteral("Ctrl+M"), QStringLiteral("Ctrl+I")}) {
            QVERIFY2(page->toolTip().contains(keys), qPrintable(page->toolTip()));
            QVERIFY2(page->accessibleDescription().contains(keys),
                     qPrintable(page->accessibleDescription()));
        }

        const auto opens = [&](const std::function<void()>& ask) {
            menu.hide();
            ask();
            return QTest::qWaitFor([&] { return menu.isVisible(); }, 2000);
        };
        QVERIFY(opens([&] {
            QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    page->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(page, &click);
        }));
        // The Menu key comes as a request to the control that has the focus.
        QVERIFY(opens([&] {
            QWidget* focused =
                testing::control<QScrollBar>(*preview.form, QStringLiteral("VScroll1"));
            focused->setFocus();
            QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(2, 2),
                                  focused->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(focused, &key);
        }));
        QVERIFY(opens([&] { preview.press(QKeySequence(QStringLiteral("Shift+F10"))); }));
        menu.hide();
    }

    // Ctrl+I asks for a picture: one that reads is handed on, one that does
    // not (a phone's HEIC) is a plain warning that says what to do. With a
    // photo the entry reads "Change Photo…" and "Remove Photo" shows.
    void photoEntries()
    {
        Preview preview;
        QMenu& menu = preview.form->pageActions().menu();
        const auto entry = [&](const QString& start) -> QAction* {
            for (QAction* action : menu.actions())
                if (action->text().startsWith(start))
                    return action;
            return nullptr;
        };
        QVERIFY(entry(QStringLiteral("Add Photo…")));
        QVERIFY(!entry(QStringLiteral("Remove Photo"))->isVisible());
        QSignalSpy chosen(preview.form.get(), &Form2::photoChosen);
        QSignalSpy removed(preview.form.get(), &Form2::photoRemoved);

        QImage photo(40, 30, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        const QString picture = preview.test.path(QStringLiteral("celebrant.png"));
        QVERIFY(photo.save(picture));
        const QString phone = preview.test.path(QStringLiteral("IMG_0001.jpg"));
        QVERIFY(writeAll(phone, QByteArray("\0\0\0\x18"
                                           "ftypheic\0\0\0\0mif1heic",
                                           24)
                                    + QByteArray(500, '\1')));
        preview.test.dialogs.nextOpenFileNames << phone << picture;
        preview.press(QKeySequence(Qt::CTRL | Qt::Key_I));
        QCOMPARE(chosen.size(), 0);
        QCOMPARE(preview.test.dialogs.shown.size(), 1);
        const auto& warning = preview.test.dialogs.shown.front();
        QVERIFY(warning.icon == Dialogs::Icon::Warning);
        QVERIFY2(warning.text.contains(QStringLiteral("HEIC"))
                     && warning.text.contains(QStringLiteral("JPEG or PNG")),
                 qPrintable(warning.text));
        preview.press(QKeySequence(Qt::CTRL | Qt::Key_I));
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.front().front().value<QImage>().size(), QSize(40, 30));

        InvitationValues values;
        values.photo = photo;
        preview.form->setInvitation(values, QStringLiteral("party"));
        QVERIFY(entry(QStringLiteral("Change Photo…")));
        QAction* remove = entry(QStringLiteral("Remove Photo"));
        QVERIFY(remove->isVisible());
        remove->trigger();
        QTRY_COMPARE(removed.size(), 1);
        preview.form->setInvitation(InvitationValues(), QStringLiteral("party"));
        QVERIFY(entry(QStringLiteral("Add Photo…")) && !remove->isVisible());
        QCOMPARE(preview.test.dialogs.errorReports(), QStringList());
    }

    void faults_data()
    {
        QTest::addColumn<QString>("keys");
        // The file chosen in the save dialog, below the test's folder; "/proc/…"
        // stands for a folder that takes no new file, whoever runs the test.
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("existing");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("reported");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<int>("jobs");

        const QString noPrinter =
            QStringLiteral("No printer is installed. Add one in the system's printer settings, "
                           "then print again.");
        const QString noAnswer =
            QStringLiteral("The print service does not answer. Check that printing is set up and "
                           "running, then print again.");
        const QStringList none;
        const QString overwrite = QStringLiteral("Are you sure you wish to overwrite %1 ?");
        QTest::newRow("export: a new PDF")
            << "Ctrl+E"
            << "invitation.pdf" << false << "" << none << QStringList{"Done."} << 0;
        QTest::newRow("export: the office fails to write the PDF")
            << "Ctrl+E"
            << "invitation.pdf" << true << "pagePdf" << QStringList{"Form2.mnuExport_Click:112"}
            << QStringList{overwrite} << 0;
        QTest::newRow("export: no office starts")
            << "Ctrl+E"
            << "invitation.png" << true << "create" << QStringList{"Form2.mnuExport_Click:112"}
            << QStringList{overwrite} << 0;
        QTest::newRow("export: a folder that takes no file")
            << "Ctrl+E"
            << "/proc/invitation.pdf" << false << "" << QStringList{"Form2.mnuExport_Click:112"}
            << none << 0;
        QTest::newRow("export: a folder that is not there")
            << "Ctrl+E"
            << "gone/invitation.jpg" << false << "" << QStringList{"Form2.mnuExport_Click:112"}
            << none << 0;
        QTest::newRow("export: a full disk")
            << "Ctrl+E"
            << "disk/invitation.png" << true << "full disk"
            << QStringList{"Form2.mnuExport_Click:112"} << QStringList{overwrite} << 0;
        QTest::newRow("export: onto the working document")
            << "Ctrl+E"
            << "tarvik12345678.doc" << true << "" << QStringList{"Form2.mnuExport_Click:112"}
            << QStringList{overwrite} << 0;
        QTest::newRow("export: a name of no known format")
            << "Ctrl+E"
            << "pic.gif" << false << "writes pic.gif.pdf" << none << QStringList{"Done."} << 0;
        QTest::newRow("export: another user's link in a sticky folder")
            << "Ctrl+E"
            << "sticky/invitation.pdf" << true << "foreign link"
            << QStringList{"Form2.mnuExport_Click:112"} << QStringList{overwrite} << 0;
        QTest::newRow("export: the preview closed meanwhile")
            << "Ctrl+E"
            << "invitation.pdf" << false << "closed meanwhile" << none << QStringList{"Done."} << 0;
        QTest::newRow("export: < Back pressed meanwhile")
            << "Ctrl+E"
            << "invitation.pdf" << false << "back meanwhile" << none << QStringList{"Done."} << 0;
        QTest::newRow("export: cancelled") << "Ctrl+E"
                                           << "" << false << "" << none << none << 0;
        QTest::newRow("print: accepted") << "Ctrl+P"
                                         << "" << false << "" << none << none << 1;
        QTest::newRow("print: cancelled") << "Ctrl+P"
                                          << "" << false << "cancel" << none << none << 0;
        QTest::newRow("print: no printer installed")
            << "Ctrl+P"
            << "" << false << "no printer" << none << QStringList{noPrinter} << 0;
        QTest::newRow("print: a print service that does not answer")
            << "Ctrl+P"
            << "" << false << "silent" << none << QStringList{noAnswer} << 0;
        QTest::newRow("print: the queue refuses the job")
            << "Ctrl+P"
            << "" << false << "refused" << QStringList{"Form2.mnuPrint_Click:108"} << none << 0;
        QTest::newRow("print: the office fails to lay out the page")
            << "Ctrl+P"
            << "" << false << "pagePdf" << QStringList{"Form2.mnuPrint_Click:108"} << none << 0;
        QTest::newRow("copy: the office fails to picture the page")
            << "Ctrl+C"
            << "" << false << "pagePicture"
            << QStringList{"Form2.mnuCopyPicture_Click:100", "Form2.mnuCopyPicture_Click:102"}
            << none << 0;
    }
    void faults()
    {
        QFETCH(QString, keys);
        QFETCH(QString, chosen);
        QFETCH(bool, existing);
        QFETCH(QString, fault);
        QFETCH(QStringList, reported);
        QFETCH(QStringList, boxes);
        QFETCH(int, jobs);

        Preview preview;
        auto& dialogs = preview.test.dialogs;
        const QString path =
            chosen.startsWith(u'/') || chosen.isEmpty() ? chosen : preview.test.path(chosen);
        const QString folder = QFileInfo(path).path();
        std::unique_ptr<SmallDisk> disk;
        if (fault == QLatin1String("full disk")) {
            disk = std::make_unique<SmallDisk>(folder);
            if (!disk->mounted)
                QSKIP("a full disk is a small tmpfs of the test's own, which needs root");
        }
        if (fault == QLatin1String("foreign link")) {
            // A link that another user planted in a folder like /tmp.
            QVERIFY(QDir().mkpath(folder));
            const QString victim = preview.test.path(QStringLiteral("victim.pdf"));
            QVERIFY(writeAll(victim, kOldFile));
            QVERIFY(QFile::link(victim, path));
            if (::chmod(QFile::encodeName(folder).constData(), 01777) != 0
                || ::lchown(QFile::encodeName(path).constData(), 65534, 65534) != 0)
                QSKIP("a link of another user needs root to make");
        }
        if (existing)
            QVERIFY(writeAll(path, kOldFile));
        if (disk)
            disk->fill();
        const QStringList before = QDir(folder).entryList(QDir::Files | QDir::Hidden);

        for (const char* op : {"create", "pagePdf", "pagePicture"})
            if (fault == QLatin1String(op))
                preview.office.failing << (fault == QLatin1String("create")    ? Op::Create
                                           : fault == QLatin1String("pagePdf") ? Op::PagePdf
                                                                               : Op::PagePicture);
        if (fault == QLatin1String("no printer"))
            preview.test.spooler->installed.clear();
        preview.test.spooler->silent = fault == QLatin1String("silent");
        if (fault == QLatin1String("refused"))
            preview.test.spooler->refusal = QStringLiteral("The printer or class does not exist.");
        PrintSettings settings{QStringLiteral("Office_Printer"), 3, QStringLiteral("A4")};
        if (fault != QLatin1String("cancel"))
            dialogs.nextPrintSettings << settings;
        dialogs.nextFileNames << path;
        dialogs.nextAnswers << Dialogs::Yes;
        ModalBlock modal;
        if (fault.endsWith(QLatin1String("meanwhile"))) {
            // The user acts while the office works; the box that follows is modal.
            QWidget* back = testing::control<QWidget>(*preview.form, QStringLiteral("PushButton8"));
            preview.office.onOperation = [&, back](Op operation) {
                if (operation != Op::PagePdf)
                    return;
                if (fault.startsWith(QLatin1String("closed"))) {
                    QCoreApplication::postEvent(preview.form->windowHandle(), new QCloseEvent);
                    return;
                }
                for (const QEvent::Type type :
                     {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                    QCoreApplication::postEvent(
                        back, new QMouseEvent(type, QPointF(4, 4), back->mapToGlobal(QPointF(4, 4)),
                                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            };
            dialogs.whileShown = [&] {
                qApp->installEventFilter(&modal);
                QCoreApplication::processEvents();
                qApp->removeEventFilter(&modal);
            };
        }

        QElapsedTimer clock;
        clock.start();
        preview.press(QKeySequence(keys));
        QVERIFY(clock.elapsed() < 10000);

        QCOMPARE(dialogs.reportedLines(), reported);
        QStringList expectedBoxes;
        for (const QString& box : boxes)
            expectedBoxes << (box.contains(u'%') ? box.arg(path) : box);
        QCOMPARE(preview.boxes(), expectedBoxes);
        QCOMPARE(preview.test.spooler->jobs.size(), jobs);
        // Every office handed out was ended.
        QCOMPARE(preview.office.applicationsAlive(), 0);
        if (keys == QLatin1String("Ctrl+P")) {
            const bool noDialog =
                fault == QLatin1String("no printer") || fault == QLatin1String("silent");
            QCOMPARE(dialogs.printDialogs.size(), noDialog ? 0 : 1);
            if (jobs) {
                const auto& job = preview.test.spooler->jobs.first();
                QCOMPARE(job.settings.queue, settings.queue);
                QCOMPARE(job.settings.copies, 3);
                QCOMPARE(job.settings.paper, QStringLiteral("A4"));
                QVERIFY(job.title.contains(QStringLiteral("Orla Penwick")));
                QVERIFY(job.pdf.startsWith("%PDF"));
            }
        }
        if (fault.endsWith(QLatin1String("meanwhile"))) {
            // Carried out once the export has said "Done.", not lost.
            QTRY_VERIFY(!preview.form->isVisible());
            QCOMPARE(fileExists(preview.form->mWordFile), false);
        }
        if (keys == QLatin1String("Ctrl+E") && !path.isEmpty()) {
            if (fault.startsWith(QLatin1String("writes "))) {
                QVERIFY(!QFile::exists(path));
                QVERIFY(readAll(preview.test.path(fault.mid(7))).startsWith("%PDF"));
            } else if (reported.isEmpty()) {
                QVERIFY(readAll(path).startsWith("%PDF"));
            } else {
                // Nothing half-written, an existing file as it was.
                QCOMPARE(readAll(path), existing ? kOldFile : QByteArray());
                QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), before);
            }
        }
    }

    // The document opens while the dialog is up, and the output is made from
    // that one opening; a dialog cancelled ends its office all the same.
    void documentOpensWhileTheUserChooses_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("export") << "Ctrl+E" << true;
        QTest::newRow("export cancelled") << "Ctrl+E" << false;
        QTest::newRow("print") << "Ctrl+P" << true;
        QTest::newRow("print cancelled") << "Ctrl+P" << false;
    }
    void documentOpensWhileTheUserChooses()
    {
        QFETCH(QString, keys);
        QFETCH(bool, accepted);
        Preview preview;
        auto& dialogs = preview.test.dialogs;
        const QString opening = QStringLiteral("open:%1:readonly").arg(preview.form->mWordFile);
        const auto opened = [&] {
            const std::lock_guard lock(*preview.office.mutex);
            return preview.office.calls.count(opening);
        };
        if (accepted) {
            dialogs.nextFileNames << preview.test.path(QStringLiteral("invitation.png"));
            dialogs.nextPrintSettings
                << PrintSettings{QStringLiteral("Office_Printer"), 1, QStringLiteral("A4")};
        }
        bool openWhileChoosing = false;
        dialogs.whileChoosing = [&] {
            openWhileChoosing = QTest::qWaitFor([&] { return opened() == 1; }, 5000);
        };
        preview.press(QKeySequence(keys));

        QVERIFY(openWhileChoosing);
        QCOMPARE(opened(), 1);
        QCOMPARE(preview.office.applicationsCreated, 1);
        QCOMPARE(preview.office.applicationsAlive(), 0);
        QCOMPARE(dialogs.reportedLines(), QStringList());
        const bool made = keys == QLatin1String("Ctrl+E")
                              ? QFile::exists(preview.test.path(QStringLiteral("invitation.png")))
                              : !preview.test.spooler->jobs.isEmpty();
        QCOMPARE(made, accepted);
    }

    // A copied picture is the page at the shared resolution.
    void copyPutsThePageOnTheClipboard()
    {
        Preview preview;
        QGuiApplication::clipboard()->clear();
        preview.press(QKeySequence::Copy);
        QCOMPARE(preview.test.dialogs.reportedLines(), QStringList());
        // The fake office's page is 960 x 1280 twips: 2/3 by 8/9 of an inch.
        QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(133, 178));
    }
};

QTEST_MAIN(TestPageActions)
#include "test_page_actions.moc"
