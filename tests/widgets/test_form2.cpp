#include "errors/Guard.h"
#include "errors/Locations.h"
#include "platform/Failure.h"
#include "preview/Form2.h"
#include "tests/support/Controls.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestPlatform.h"
#include "windows/CursorFile.h"
#include "windows/Titles.h"
#include "windows/WindowPointer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

using namespace velmora;
using testing::control;
using testing::ScriptedDialogs;

namespace {

const QByteArray kDocument = QByteArray("filled invitation document\0with bytes", 38);

// The window's controls, found by their objectName; a missing one names the test's line.
using Caller = std::source_location;
QPushButton* button(const Form2& form, const char* name, Caller at = Caller::current())
{
    return control<QPushButton>(form, name, at);
}
QScrollBar* scrollBar(const Form2& form, const char* name, Caller at = Caller::current())
{
    return control<QScrollBar>(form, name, at);
}
// Picture1, Picture2, Zoom_Ori: plain widgets to the outside.
QWidget* part(const Form2& form, const char* name, Caller at = Caller::current())
{
    return control<QWidget>(form, name, at);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// One preview window with answered dialogs, a temporary folder holding the
// page picture and the filled document, and the window's requests counted.
struct Preview {
    testing::TestPlatform test;
    ScriptedDialogs& dialogs = test.dialogs;
    int mainWindowShown = 0;
    int programEnded = 0;
    std::unique_ptr<Form2> form;

    Preview()
    {
        form = std::make_unique<Form2>(test.platform());
        QObject::connect(form.get(), &Form2::mainWindowRequested, [this] { ++mainWindowShown; });
        QObject::connect(form.get(), &Form2::endProgramRequested, [this] { ++programEnded; });
    }
    QString path(const QString& name) const { return test.path(name); }
    QString folder() const { return test.folder(); }

    // A letter-size page at 96 dpi: 612 x 792 pixels, 9180 x 11880 twips.
    QString pagePicture()
    {
        QImage page(612, 792, QImage::Format_RGB32);
        page.fill(Qt::white);
        page.setDotsPerMeterX(3780);
        page.setDotsPerMeterY(3780);
        for (int y = 0; y < page.height(); y += 40)
            for (int x = 0; x < page.width(); ++x)
                page.setPixel(x, y, qRgb(30, 30, 120));
        const QString file = path(QStringLiteral("temp.bmp"));
        page.save(file, "PNG");
        return file;
    }

    // The hand-over as the filling run performs it, then the activation.
    void handOver()
    {
        form->loadPicture(pagePicture());
        form->mWordFile = path(QStringLiteral("tarvik12345678.doc"));
        writeAll(form->mWordFile, kDocument);
        show();
    }
    void show()
    {
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    void send(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons held)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    const Viewport& viewport() const { return form->viewport(); }
};

} // namespace

class Form2Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { setApplicationShortTitle(); }

    void controlsAreFoundByTheirNames()
    {
        Preview preview;
        Form2& form = *preview.form;
        QCOMPARE(form.objectName(), QStringLiteral("Form2"));
        // Each name leads to one control, of the kind the window uses.
        QCOMPARE(form.findChildren<QPushButton*>(QStringLiteral("PushButton8")).size(), 1);
        QCOMPARE(form.findChildren<QPushButton*>(QStringLiteral("PushButton6")).size(), 1);
        QCOMPARE(form.findChildren<QScrollBar*>(QStringLiteral("VScroll1")).size(), 1);
        QCOMPARE(form.findChildren<QWidget*>(QStringLiteral("Picture1")).size(), 1);
        QCOMPARE(form.findChildren<QWidget*>(QStringLiteral("Zoom_Ori")).size(), 1);
    }

    void handOverShowsThePageAtZoomOne()
    {
        Preview preview;
        preview.handOver();
        Form2& form = *preview.form;
        QVERIFY(preview.dialogs.shown.isEmpty());
        QCOMPARE(form.viewport().zoom(), 1.0f);
        QCOMPARE(form.viewport().drawCount(), 1);
        // 9178 x 11878 twips at 15 twips a pixel.
        QCOMPARE(part(form, "Picture1")->geometry(), QRect(0, 0, 612, 792));
        QCOMPARE(part(form, "Picture1")->parentWidget(), part(form, "Picture2"));
        QVERIFY(!scrollBar(form, "HScroll1")->isEnabled());
        QVERIFY(scrollBar(form, "VScroll1")->isEnabled());
        QCOMPARE(scrollBar(form, "VScroll1")->maximum(), 445);
        QVERIFY(!part(form, "Zoom_Ori")->isVisible());
        QCOMPARE(form.size(), QSize(656, 626));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(form.windowTitle(), QStringLiteral("Velmora"));
        // The page shows what was drawn: blue lines every 40 pixels on white.
        const QImage shown = part(form, "Picture1")->grab().toImage();
        QCOMPARE(QColor(shown.pixel(100, 20)), QColor(Qt::white));
        QVERIFY(qBlue(shown.pixel(100, 40)) > 100 && qRed(shown.pixel(100, 40)) < 100);
    }

    void showingWithoutAnActivationStillGivesTheFirstDisplay()
    {
        // A desktop without a window manager may never activate the window.
        Preview preview;
        preview.form->loadPicture(preview.pagePicture());
        preview.form->show();
        QCOMPARE(preview.viewport().drawCount(), 1);
        QCOMPARE(part(*preview.form, "Picture1")->geometry(), QRect(0, 0, 612, 792));
        // The activation that may follow changes nothing more.
        QApplication::setActiveWindow(preview.form.get());
        QVERIFY(QTest::qWaitForWindowActive(preview.form.get()));
        QCOMPARE(preview.viewport().drawCount(), 1);
    }

    void scrollDragAndZoomMoveThePageWhereTheArithmeticSays()
    {
        Preview preview;
        preview.handOver();
        Form2& form = *preview.form;

        scrollBar(form, "VScroll1")->setValue(100);
        QCOMPARE(form.viewport().pageBox().top, -1000.0f);
        QCOMPARE(part(form, "Picture1")->y(), -67);

        // Press at 300,300 px, move up 50 px: top = -1000 - 4500 + 3750.
        preview.send(part(form, "Picture1"), QEvent::MouseButtonPress, {300, 300}, Qt::LeftButton);
        preview.send(part(form, "Picture1"), QEvent::MouseMove, {300, 250}, Qt::LeftButton);
        QCOMPARE(form.viewport().pageBox().top, -1750.0f);
        QCOMPARE(part(form, "Picture1")->y(), -117);
        // Moved again (the box has moved under the pointer): -1750 - 4500 + 3000.
        preview.send(part(form, "Picture1"), QEvent::MouseMove, {300, 200}, Qt::LeftButton);
        QCOMPARE(form.viewport().pageBox().top, -3250.0f);
        preview.send(part(form, "Picture1"), QEvent::MouseButtonRelease, {300, 200}, Qt::NoButton);
        // 3250 / 4453 = 72.98% -> 73 -> 324.85 -> 325 units.
        QCOMPARE(scrollBar(form, "VScroll1")->value(), 325);
        QCOMPARE(part(form, "Picture1")->y(), -217);
        QCOMPARE(form.viewport().drawCount(), 1);

        QTest::mouseClick(button(form, "PushButton2"), Qt::LeftButton);
        QCOMPARE(form.viewport().zoom(), 0.75f);
        QCOMPARE(form.viewport().drawCount(), 2);
        // 6883 x 8908 twips.
        QCOMPARE(part(form, "Picture1")->geometry(), QRect(0, 0, 459, 594));
        QCOMPARE(scrollBar(form, "VScroll1")->maximum(), 148);
        QCOMPARE(scrollBar(form, "VScroll1")->value(), 0);
        QTest::mouseClick(button(form, "PushButton1"), Qt::LeftButton);
        QCOMPARE(form.viewport().zoom(), 1.0f);
        // 1.25 would be 11472 wide: the limit sends the zoom back to 1.0 undrawn.
        QTest::mouseClick(button(form, "PushButton1"), Qt::LeftButton);
        QCOMPARE(form.viewport().zoom(), 1.0f);
        QCOMPARE(form.viewport().drawCount(), 3);
        QVERIFY(preview.dialogs.shown.isEmpty());
    }

    void keyboardAndWheelWorkThroughTheSameProcedures()
    {
        Preview preview;
        preview.handOver();
        Form2& form = *preview.form;
        QTest::keyClick(&form, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(form.viewport().zoom(), 0.75f);
        QTest::keyClick(&form, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(form.viewport().zoom(), 1.0f);
        QTest::keyClick(&form, Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(&form, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(form.viewport().zoom(), 1.0f);

        const int draws = form.viewport().drawCount();
        QWheelEvent down(QPointF(100, 100),
                         QPointF(part(form, "Picture2")->mapToGlobal(QPoint(100, 100))), QPoint(),
                         QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(part(form, "Picture2"), &down);
        QVERIFY(scrollBar(form, "VScroll1")->value() > 0);
        QCOMPARE(form.viewport().pageBox().top, -10.0f * scrollBar(form, "VScroll1")->value());
        QCOMPARE(form.viewport().drawCount(), draws);
    }

    // The arrow keys scroll the page, as in an image viewer, wherever the
    // focus is; the first focus, on a scrollbar, shows.
    void arrowKeysMoveThePage_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::newRow("focus on the scrollbar") << "VScroll1";
        QTest::newRow("focus on a button") << "PushButton1";
    }
    void arrowKeysMoveThePage()
    {
        QFETCH(QString, focus);
        Preview preview;
        preview.handOver();
        Form2& form = *preview.form;
        QScrollBar* vertical = scrollBar(form, "VScroll1");
        QTRY_COMPARE(QApplication::focusWidget(), vertical);
        const QImage focused = vertical->grab().toImage();
        part(form, qPrintable(focus))->setFocus(Qt::TabFocusReason);
        if (focus != "VScroll1")
            QVERIFY(vertical->grab().toImage() != focused);

        // Lines of 20 pixels: 300 twips, 30 units of 10 twips.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(vertical->value(), 60);
        QCOMPARE(form.viewport().pageBox().top, -600.0f);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(vertical->value(), 30);
        QCOMPARE(part(form, "Picture1")->y(), -20);
        // The page fits the width: sideways there is nothing to move.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QCOMPARE(form.viewport().pageBox().left, 0.0f);
        QCOMPARE(QApplication::focusWidget(), part(form, qPrintable(focus)));
        QVERIFY(preview.dialogs.shown.isEmpty());
    }

    void anActivationAfterTheFirstDisplayChangesNothing()
    {
        Preview preview;
        preview.handOver();
        Form2& form = *preview.form;
        QTest::mouseClick(button(form, "PushButton2"), Qt::LeftButton);
        scrollBar(form, "VScroll1")->setValue(60);
        const QRect geometry = part(form, "Picture1")->geometry();
        form.Form_Activate();
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(form.viewport().zoom(), 0.75f);
        QCOMPARE(part(form, "Picture1")->geometry(), geometry);
        QCOMPARE(scrollBar(form, "VScroll1")->value(), 60);
        QCOMPARE(scrollBar(form, "VScroll1")->maximum(), 148);
        QCOMPARE(form.viewport().drawCount(), 2);

        // The next hand-over gets its own first display.
        form.loadPicture(preview.pagePicture());
        form.Form_Activate();
        QCOMPARE(form.viewport().zoom(), 1.0f);
        QCOMPARE(part(form, "Picture1")->geometry(), QRect(0, 0, 612, 792));
        QCOMPARE(scrollBar(form, "VScroll1")->value(), 0);
    }

    // The window system activates the window again when a box closes; an
    // Error report inside the first display does not start a second one.
    void aFailingFirstDisplayRunsOnce()
    {
        Preview preview;
        Form2& form = *preview.form;
        QVERIFY_THROWS_EXCEPTION(Failure, form.loadPicture(preview.path("temp.bmp")));
        int activations = 0;
        preview.dialogs.whileShown = [&] {
            if (++activations > 3)
                return; // a first display that re-entered would never end otherwise
            QEvent activate(QEvent::WindowActivate);
            QCoreApplication::sendEvent(&form, &activate);
        };
        preview.show();
        QCOMPARE(preview.dialogs.reportedLines(), QStringList{"Form2.RedrawImage:112"});
        // And a later activation of the same page draws nothing again.
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&form, &activate);
        QCOMPARE(preview.dialogs.reportedLines().size(), 1);
    }

    void aMissingPictureIsReportedAtTheDrawingAndTheWindowStaysUsable()
    {
        Preview preview;
        Form2& form = *preview.form;
        QVERIFY_THROWS_EXCEPTION(Failure, form.loadPicture(preview.path("temp.bmp")));
        form.mWordFile = preview.path("tarvik11111111.doc");
        writeAll(form.mWordFile, kDocument);
        preview.show();
        QCOMPARE(preview.dialogs.reportedLines(), QStringList{"Form2.RedrawImage:112"});
        QTest::mouseClick(button(form, "PushButton8"), Qt::LeftButton);
        QCOMPARE(preview.mainWindowShown, 1);
        QVERIFY(!QFile::exists(form.mWordFile));
        QVERIFY(form.isHidden());
    }

    void hoverShowsTheHandOverButtonsUnlessBusy()
    {
        Preview preview;
        preview.handOver();
        Form2& form = *preview.form;
        WindowPointer& pointer = form.pointer();
        preview.send(button(form, "PushButton6"), QEvent::MouseMove, {5, 5}, Qt::NoButton);
        QCOMPARE(pointer.kind(), int(WindowPointer::Custom));
        QCOMPARE(form.cursor().shape(), Qt::PointingHandCursor); // no HAND-M.CUR here
        preview.send(control<QGroupBox>(form, "Frame1"), QEvent::MouseMove, {3, 40}, Qt::NoButton);
        QCOMPARE(pointer.kind(), int(WindowPointer::Default));
        preview.send(button(form, "PushButton1"), QEvent::MouseMove, {5, 5}, Qt::NoButton);
        QCOMPARE(pointer.kind(), int(WindowPointer::Custom));
        preview.send(&form, QEvent::MouseMove, {650, 620}, Qt::NoButton);
        QCOMPARE(pointer.kind(), int(WindowPointer::Default));
        pointer.setKind(WindowPointer::Busy);
        preview.send(button(form, "PushButton8"), QEvent::MouseMove, {5, 5}, Qt::NoButton);
        QCOMPARE(pointer.kind(), int(WindowPointer::Busy));
        pointer.setKind(WindowPointer::Custom);
        // Drawing the page sets the default arrow.
        QTest::mouseClick(button(form, "PushButton2"), Qt::LeftButton);
        QCOMPARE(pointer.kind(), int(WindowPointer::Default));
    }

    void faceColourLeavesThePictureBoxesWhite()
    {
        Preview preview;
        Form2& form = *preview.form;
        const QColor face = QApplication::palette().color(QPalette::Button);
        QCOMPARE(form.palette().color(QPalette::Window), face);
        QCOMPARE(control<QGroupBox>(form, "Frame1")->palette().color(QPalette::Window), face);
        QCOMPARE(part(form, "Picture2")->palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(part(form, "Picture1")->palette().color(QPalette::Window), QColor(Qt::white));
    }

    void cancellingTheSaveDialogWritesNothing()
    {
        Preview preview;
        preview.handOver();
        const QStringList before = QDir(preview.folder()).entryList(QDir::Files);
        QTest::mouseClick(button(*preview.form, "PushButton6"), Qt::LeftButton);
        QCOMPARE(preview.dialogs.saveDialogs.size(), 1);
        QCOMPARE(preview.dialogs.saveDialogs[0].title, QStringLiteral("Save File"));
        QCOMPARE(preview.dialogs.saveDialogs[0].filter, QStringLiteral("Word Files (*.doc)|*.doc"));
        QCOMPARE(preview.dialogs.saveDialogs[0].fileName, QString());
        QCOMPARE(preview.dialogs.shown.size(), 1);
        const ScriptedDialogs::Shown done = preview.dialogs.shown[0];
        QCOMPARE(done.text, QStringLiteral("Done."));
        QCOMPARE(done.title, QStringLiteral("Velmora"));
        QCOMPARE(done.buttons, Dialogs::Buttons::Ok);
        QCOMPARE(done.icon, Dialogs::Icon::None);
        QCOMPARE(QDir(preview.folder()).entryList(QDir::Files), before);
    }

    void anExistingFileIsReplacedOnlyAfterYes()
    {
        Preview preview;
        preview.handOver();
        const QString target = preview.path("Party.doc");
        writeAll(target, "the user's older file");

        preview.dialogs.nextFileNames = {target};
        preview.dialogs.nextAnswers = {Dialogs::No};
        preview.form->PushButton6_Click();
        QCOMPARE(readAll(target), QByteArray("the user's older file"));
        QCOMPARE(preview.dialogs.shown.size(), 2);
        const ScriptedDialogs::Shown question = preview.dialogs.shown[0];
        QCOMPARE(question.text, "Are you sure you wish to overwrite " + target + " ?");
        QCOMPARE(question.title, QStringLiteral("Velmora"));
        QCOMPARE(question.buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(question.icon, Dialogs::Icon::None);
        QCOMPARE(preview.dialogs.shown[1].text, QStringLiteral("Done."));

        preview.dialogs.nextFileNames = {target};
        preview.dialogs.nextAnswers = {Dialogs::Yes};
        preview.form->PushButton6_Click();
        QCOMPARE(readAll(target), kDocument);
        QCOMPARE(preview.dialogs.shown.size(), 4);
        QCOMPARE(preview.dialogs.shown[3].text, QStringLiteral("Done."));
        QVERIFY(preview.dialogs.errorReports().isEmpty());
        // Nothing is left beside the destination.
        QCOMPARE(QDir(preview.folder()).entryList({"*Party*"}, QDir::Files | QDir::Hidden),
                 QStringList{"Party.doc"});
    }

    void twoSavesGiveTwoIdenticalCopies()
    {
        Preview preview;
        preview.handOver();
        QDir(preview.folder()).mkdir("out");
        const QString first = preview.path("out/one.doc");
        const QString second = preview.path("out/two.doc");
        preview.dialogs.nextFileNames = {first, second};
        preview.form->PushButton6_Click();
        preview.form->PushButton6_Click();
        QCOMPARE(readAll(first), kDocument);
        QCOMPARE(readAll(second), kDocument);
        QCOMPARE(readAll(preview.form->mWordFile), kDocument);
        QCOMPARE(preview.dialogs.shown.size(), 2); // "Done." twice, no question
        QVERIFY(preview.dialogs.errorReports().isEmpty());
    }

    // "Done." says the file is where the user asked: after a failed copy the
    // Error report is the only message, and the user's old file is intact.
    void aFailedCopyGivesItsReportAlone_data()
    {
        QTest::addColumn<QString>("condition");
        QTest::newRow("filled document gone") << "gone";
        QTest::newRow("folder below a plain file") << "below a file";
        QTest::newRow("locked folder") << "locked folder";
        QTest::newRow("immutable file") << "immutable file";
        QTest::newRow("full disk") << "full";
    }
    void aFailedCopyGivesItsReportAlone()
    {
        QFETCH(QString, condition);
        Preview preview;
        preview.handOver();
        QDir(preview.folder()).mkdir("out");
        QString target = preview.path("out/Party.doc");
        writeAll(target, "keep me");
        // Root passes over permissions; the immutable attribute stops root too.
        const bool root = ::geteuid() == 0;
        const auto lock = [&](const QString& path, bool on) {
            if (root) {
                if (QProcess::execute("chattr", {on ? "+i" : "-i", path}) != 0 && on)
                    QSKIP("running as root where chattr +i is not available");
            } else {
                QFile::Permissions writable = QFile::WriteOwner;
                QFile::Permissions others =
                    QFile::ReadOwner
                    | (QFileInfo(path).isDir() ? QFile::ExeOwner : QFile::Permissions());
                QVERIFY(QFile::setPermissions(path, on ? others : others | writable));
            }
        };
        QString locked;
        struct rlimit sizeLimit {};
        if (condition == "gone") {
            QVERIFY(QFile::remove(preview.form->mWordFile));
        } else if (condition == "below a file") {
            writeAll(preview.path("plain"), "a file, not a folder");
            target = preview.path("plain/Party.doc");
        } else if (condition == "locked folder" || condition == "immutable file") {
            locked = condition == "locked folder" ? preview.path("out") : target;
            lock(locked, true);
        } else {
            // A file may grow no larger than a few bytes: writing the copy
            // fails as on a full disk.
            std::signal(SIGXFSZ, SIG_IGN);
            QCOMPARE(::getrlimit(RLIMIT_FSIZE, &sizeLimit), 0);
            struct rlimit tiny = sizeLimit;
            tiny.rlim_cur = 8;
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
        }
        preview.dialogs.nextFileNames = {target};
        preview.dialogs.nextAnswers = {Dialogs::Yes};
        preview.form->PushButton6_Click();
        if (condition == "full")
            ::setrlimit(RLIMIT_FSIZE, &sizeLimit);
        if (!locked.isEmpty())
            lock(locked, false);

        QCOMPARE(preview.dialogs.reportedLines(), QStringList{"Form2.PushButton6_Click:130"});
        QVERIFY(preview.dialogs.errorReports()[0].contains(target)
                || preview.dialogs.errorReports()[0].contains(preview.form->mWordFile));
        for (const ScriptedDialogs::Shown& box : preview.dialogs.shown)
            QVERIFY2(box.text != QStringLiteral("Done."), qPrintable(condition));
        if (condition == "below a file")
            QCOMPARE(readAll(preview.path("plain")), QByteArray("a file, not a folder"));
        else
            QCOMPARE(readAll(target), QByteArray("keep me"));
        // Nothing half-written is left beside it.
        QCOMPARE(QDir(preview.path("out")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"Party.doc"});
    }

    // The working document goes with "< Back" and with the end of the program:
    // saving onto it would lose what the user saved, so it is refused.
    void savingOntoTheWorkingDocumentIsRefused_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("same path") << "same";
        QTest::newRow("through ..") << "dots";
        QTest::newRow("through a link") << "link";
        QTest::newRow("through a hard link") << "hard link";
    }
    void savingOntoTheWorkingDocumentIsRefused()
    {
        QFETCH(QString, how);
        Preview preview;
        preview.handOver();
        const QString document = preview.form->mWordFile;
        QString chosen = document;
        if (how == "dots") {
            QDir(preview.folder()).mkdir("sub");
            chosen = preview.path("sub/../tarvik12345678.doc");
        } else if (how == "link") {
            chosen = preview.path("Link.doc");
            QVERIFY(QFile::link(document, chosen));
        } else if (how == "hard link") {
            chosen = preview.path("Hard.doc");
            QCOMPARE(::link(QFile::encodeName(document), QFile::encodeName(chosen)), 0);
        }
        preview.dialogs.nextFileNames = {chosen};
        preview.dialogs.nextAnswers = {Dialogs::Yes};
        preview.form->PushButton6_Click();
        QCOMPARE(preview.dialogs.reportedLines(), QStringList{"Form2.PushButton6_Click:130"});
        const QString report = preview.dialogs.errorReports()[0];
        QVERIFY2(report.contains("working document") && report.contains(chosen),
                 qPrintable(report));
        QVERIFY(preview.dialogs.shown.last().text != QStringLiteral("Done."));
        QCOMPARE(readAll(document), kDocument);
        QCOMPARE(readAll(chosen), kDocument);
    }

    void backDeletesTheDocumentAndShowsTheMainWindow()
    {
        Preview preview;
        preview.handOver();
        QTest::mouseClick(button(*preview.form, "PushButton8"), Qt::LeftButton);
        QVERIFY(!QFile::exists(preview.form->mWordFile));
        QCOMPARE(preview.mainWindowShown, 1);
        QVERIFY(preview.form->isHidden());
        QCOMPARE(preview.programEnded, 0);
        // The hidden preview holds no page picture; the next hand-over draws its own.
        QVERIFY(preview.form->viewport().holder().picture.isNull());
        preview.handOver();
        QVERIFY(!preview.form->viewport().holder().picture.isNull());
        QVERIFY(preview.dialogs.shown.isEmpty());
        // Again, with the document already gone: still no report.
        preview.form->PushButton8_Click();
        QCOMPARE(preview.mainWindowShown, 2);
        QVERIFY(preview.dialogs.shown.isEmpty());
    }

    // The first statements of Back and of Save are numbered 102 and 106: a
    // failure there reports that number, and the rest of the procedure runs.
    void aFailingFirstStatementOfBackReports102()
    {
        Preview preview;
        preview.handOver();
        preview.test.failingStep = {{locations::Form2_PushButton8_Click, 102}};
        QTest::mouseClick(button(*preview.form, "PushButton8"), Qt::LeftButton);
        preview.test.failingStep.reset();
        QCOMPARE(preview.dialogs.reportedLines(), QStringList{"Form2.PushButton8_Click:102"});
        QVERIFY(QFile::exists(preview.form->mWordFile)); // the deletion was the failing statement
        QCOMPARE(preview.mainWindowShown, 1);
        QVERIFY(preview.form->isHidden());
        // Without the injection the deletion works again.
        preview.form->PushButton8_Click();
        QVERIFY(!QFile::exists(preview.form->mWordFile));
        QCOMPARE(preview.dialogs.reportedLines().size(), 1);
    }

    void aFailingFirstStatementOfSaveReports106()
    {
        Preview preview;
        preview.handOver();
        const QString target = preview.path("Party.doc");
        preview.dialogs.nextFileNames = {target};
        preview.test.failingStep = {{locations::Form2_PushButton6_Click, 106}};
        QTest::mouseClick(button(*preview.form, "PushButton6"), Qt::LeftButton);
        preview.test.failingStep.reset();
        QCOMPARE(preview.dialogs.reportedLines(), QStringList{"Form2.PushButton6_Click:106"});
        QCOMPARE(readAll(target), kDocument);
        QCOMPARE(preview.dialogs.shown.last().text, QStringLiteral("Done."));
    }

    void closingDeletesTheDocumentAndEndsTheProgram()
    {
        Preview preview;
        preview.handOver();
        QVERIFY(preview.form->close());
        QVERIFY(!QFile::exists(preview.form->mWordFile));
        QCOMPARE(preview.programEnded, 1);
        QCOMPARE(preview.mainWindowShown, 0);
        QVERIFY(preview.dialogs.shown.isEmpty());
    }

    void aHandCursorFileThatIsNotACursorIsReportedByTheLoadStep()
    {
        testing::TestPlatform test;
        writeAll(test.path("HAND-M.CUR"), "not a cursor");
        Form2 form(test.platform());
        QCOMPARE(test.dialogs.reportedLines(), QStringList{"Form2.Form_Load:110"});
        QVERIFY(!form.pointer().hasCustomImage());
    }
};

QTEST_MAIN(Form2Test)
#include "test_form2.moc"
