// The gallery over the fake office: every design pictured from a document
// filled with the user's words, chosen with the keys or the mouse, closed
// mid-work without a trace; the choice remembered and used by the main window;
// a template of the user's own brought, refused, kept, pictured and removed.
#include "generation/Designs.h"
#include "mainwindow/Form1.h"
#include "platform/Files.h"
#include "platform/SettingsStore.h"
#include "preview/Form2.h"
#include "preview/Gallery.h"
#include "preview/PageActions.h"
#include "tests/support/Controls.h"
#include "tests/support/FakeOffice.h"
#include "tests/support/TestPlatform.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace velmora;
using testing::FakeOffice;

namespace {

// The preview of an invitation for Orla, a boy, in the design given.
struct Preview {
    testing::TestPlatform test;
    FakeOffice office;
    Form2 form{test.platform()};

    explicit Preview(const QString& design)
    {
        InvitationValues values;
        values.texts[0] = QStringLiteral("Orla Penwick");
        values.male = true;
        values.birthDate = QDate(2021, 8, 31);
        values.birthTime = QTime(14, 5);
        form.pageActions().setOffice(office);
        form.setInvitation(values, design);
        form.show();
        QApplication::setActiveWindow(&form);
    }
    Gallery* open()
    {
        QTest::keySequence(&form, QKeySequence(QStringLiteral("Ctrl+D")));
        return form.gallery();
    }
    QStringList calls()
    {
        const std::lock_guard turn(*office.mutex);
        return office.calls;
    }
};

} // namespace

class TestGallery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(mData.isValid());
        // The user's designs go to a folder of the test's.
        qputenv("XDG_DATA_HOME", QFile::encodeName(mData.filePath(QStringLiteral("data"))));
        designs::reload();
    }

    void chooseADesign_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("the third, with the arrow keys and Enter") << "Right,Right,Return"
                                                                  << "neon";
        QTest::newRow("the second, with a double click") << "double click 1"
                                                         << "balloons";
        QTest::newRow("none: Escape") << "Escape"
                                      << "";
    }
    void chooseADesign()
    {
        QFETCH(QString, keys);
        QFETCH(QString, chosen);
        Preview preview(QStringLiteral("party"));
        Gallery* gallery = preview.open();
        QVERIFY(gallery && gallery->isVisible());
        QSignalSpy shown(gallery, &Gallery::pictureShown);
        QSignalSpy choice(&preview.form, &Form2::designChosen);
        const int designs = int(designs::all().size());
        QTRY_COMPARE(shown.size(), designs);
        for (const QList<QVariant>& picture : shown)
            QVERIFY(picture.at(1).toBool());
        // Each picture is of a document filled with the user's words.
        const QStringList calls = preview.calls();
        QCOMPARE(calls
                     .filter(QStringLiteral("execute:[Celebrant] celebrate her->Orla Penwick "
                                            "celebrate his"))
                     .size(),
                 designs);
        for (const designs::Design& design : designs::all()) {
            const QRegularExpression copy(
                QStringLiteral("^open:.*/%1-[A-Za-z0-9]{6}\\.dot")
                    .arg(QFileInfo(design.templateFileName).completeBaseName()));
            QVERIFY2(calls.filter(copy).size() == 1, qPrintable(design.id));
        }
        auto* list = testing::control<QListWidget>(*gallery, "DesignList");
        QVERIFY(list->currentItem()->text().contains(QStringLiteral("(current)")));

        if (keys.startsWith(QLatin1String("double click"))) {
            const QRect box = list->visualItemRect(list->item(keys.back().digitValue()));
            // A double click is a click and a second press, as the window system sends it.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, box.center());
        } else {
            for (const QString& key : keys.split(u','))
                QTest::keySequence(list, QKeySequence(key));
        }
        QTRY_VERIFY(!preview.form.gallery());
        QTRY_COMPARE(choice.size(), chosen.isEmpty() ? 0 : 1);
        if (!chosen.isEmpty())
            QCOMPARE(choice.first().first().toString(), chosen);
        // No office and no template copy is left.
        QCOMPARE(preview.office.applicationsAlive(), 0);
        QCOMPARE(QDir(temporaryFolder()).entryList({QStringLiteral("template*")}), QStringList());
    }

    // Closing the gallery, or the preview, while the pictures are being made
    // ends the work at once.
    void closedMidWork_data()
    {
        QTest::addColumn<bool>("preview");
        QTest::addColumn<bool>("hung");
        QTest::newRow("the gallery closed") << false << false;
        QTest::newRow("the preview closed") << true << false;
        QTest::newRow("the gallery closed over offices that do not answer") << false << true;
    }
    void closedMidWork()
    {
        QFETCH(bool, preview);
        QFETCH(bool, hung);
        Preview shown(QStringLiteral("party"));
        if (hung)
            shown.office.hanging << FakeOffice::Op::Open;
        else
            shown.office.onOperation = [](FakeOffice::Op operation) {
                if (operation == FakeOffice::Op::PagePicture)
                    QThread::msleep(100);
            };
        QPointer<Gallery> gallery = shown.open();
        QVERIFY(gallery);
        // Offices that never answer are ended, not waited for.
        if (preview)
            shown.form.close();
        else
            gallery->close();
        QTRY_VERIFY(!gallery);
        QCOMPARE(shown.office.applicationsAlive(), 0);
        QVERIFY(shown.calls().filter(QStringLiteral("open:")).size() < int(designs::all().size()));
        QCOMPARE(QDir(temporaryFolder()).entryList({QStringLiteral("template*")}), QStringList());
    }

    // The design chosen is remembered, and "Start Creating Template" makes it;
    // an unknown one is the default.
    void theMainWindowMakesTheRememberedDesign_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("templateName");
        QTest::newRow("formal") << "formal"
                                << "template-formal.dot";
        QTest::newRow("unknown") << "no such design"
                                 << "template.dot";
        QTest::newRow("none") << ""
                              << "template.dot";
    }
    void theMainWindowMakesTheRememberedDesign()
    {
        QFETCH(QString, stored);
        QFETCH(QString, templateName);
        testing::TestPlatform test;
        FakeOffice office;
        test.random = [draw = 0]() mutable { return (draw++ % 9) / 9.0; }; // fresh names
        if (!stored.isEmpty())
            test.settings().setValue(designs::kSettingsKey, stored);
        Form1 form(test.platform(), office);
        form.Form_Load();
        form.PushButton6_Click();
        const auto opened = [&](const QString& name) {
            return office.calls.contains(
                QStringLiteral("open:%1:readonly").arg(temporaryFile(name)));
        };
        QVERIFY2(opened(templateName), qPrintable(office.calls.join(u'\n')));
        const QString first = form.form2()->mWordFile;
        QVERIFY(QFile::exists(first));

        form.makeInDesign(QStringLiteral("minimal"));
        QCOMPARE(test.settings().value(designs::kSettingsKey), QStringLiteral("minimal"));
        QVERIFY(opened(QStringLiteral("template-minimal.dot")));
        // The invitation in the former design is gone, the new one shown.
        QVERIFY(!QFile::exists(first));
        QVERIFY(QFile::exists(form.form2()->mWordFile));
    }

    // A design chosen over a shown preview hands its page over like a click:
    // the page gets its own first display, and every zoom step draws it.
    void zoomAfterAChoice()
    {
        testing::TestPlatform test;
        FakeOffice office;
        test.random = [draw = 0]() mutable { return (draw++ % 9) / 9.0; };
        Form1 main(test.platform(), office);
        main.Form_Load();
        main.PushButton6_Click();
        Form2& preview = *main.form2();
        QApplication::setActiveWindow(&preview);
        const QString first = preview.mWordFile;
        QTest::keySequence(&preview, QKeySequence(QStringLiteral("Ctrl+D")));
        QVERIFY(preview.gallery());
        auto* list = testing::control<QListWidget>(*preview.gallery(), "DesignList");
        for (const char* key : {"Right", "Return"})
            QTest::keySequence(list, QKeySequence(QString::fromLatin1(key)));
        QTRY_VERIFY(preview.mWordFile != first && !preview.mWordFile.isEmpty());
        QTRY_VERIFY(!preview.gallery());
        const Viewport& view = preview.viewport();
        QVERIFY(!view.firstShow());
        // Drawn from the page picture, not the picture shown as it came.
        QVERIFY(view.pageBox().picture.isNull());
        const std::int32_t base = view.baseWidth();
        const auto zoomButton = [&](const char* name) {
            testing::control<QPushButton>(preview, name)->click();
        };
        // In to 1.75 (within the drawn-size limit for this page), out to 1.0.
        for (int step = 1; step <= 6; ++step) {
            const int draws = view.drawCount();
            zoomButton(step <= 3 ? "PushButton1" : "PushButton2");
            const float zoom = step <= 3 ? 1.0f + 0.25f * step : 1.75f - 0.25f * (step - 3);
            QCOMPARE(view.zoom(), zoom);
            QCOMPARE(view.drawWidth(), std::int32_t(std::floor(base * double(zoom))));
            QCOMPARE(view.drawCount(), draws + 1);
        }
        QCOMPARE(test.dialogs.errorReports(), QStringList());
    }

    // A template of one's own: refused without a trace when it holds no token;
    // otherwise the report and the question in one box, the copy kept in a
    // folder of the user's alone and pictured like every design; removed only
    // after a question, never a shipped one; remembered but gone, the default.
    void bringAndRemoveADesign()
    {
        Preview preview(QStringLiteral("party"));
        auto& dialogs = preview.test.dialogs;
        FakeOffice& office = preview.office;
        Gallery* gallery = preview.open();
        QVERIFY(gallery);
        auto* list = testing::control<QListWidget>(*gallery, "DesignList");
        auto* remove = testing::control<QPushButton>(*gallery, "RemoveDesign");
        const int shipped = list->count();
        QVERIFY(!remove->isEnabled());

        const QString file = mData.filePath(QStringLiteral("My Party.docx"));
        {
            QFile source(file);
            QVERIFY(source.open(QIODevice::WriteOnly));
            source.write("a template");
        }
        office.templateFindings.hasText = true;
        dialogs.nextOpenFileNames << file;
        dialogs.shown.clear();
        QApplication::setActiveWindow(gallery);
        QTest::keySequence(gallery, QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown.last().icon, Dialogs::Icon::Warning);
        QCOMPARE(list->count(), shipped);
        QCOMPARE(QDir(designs::ownFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());

        office.templateFindings.words = {{QStringLiteral("[Celebrant]"), office::Place::MainText,
                                          QStringLiteral(" celebrate her birthday")}};
        dialogs.nextOpenFileNames << file;
        dialogs.nextAnswers << Dialogs::Yes;
        QSignalSpy shown(gallery, &Gallery::pictureShown);
        testing::control<QPushButton>(*gallery, "UseOwnTemplate")->click();
        QVERIFY(preview.calls().contains(QStringLiteral("checkTemplate:") + file));
        QVERIFY(dialogs.shown.last().text.endsWith(
            QStringLiteral("Add this template to the designs as \"My Party\"?")));
        const QString kept = designs::ownFolder() + QStringLiteral("/My Party.dot");
        QVERIFY(QFile::exists(kept));
        QCOMPARE(int(QFile::permissions(designs::ownFolder()) & 0x7077), 0x7000);
        QCOMPARE(designs::all().last().id, QStringLiteral("own:My Party"));
        QCOMPARE(list->count(), shipped + 1);
        QTRY_VERIFY(std::any_of(shown.begin(), shown.end(), [&](const QList<QVariant>& picture) {
            return picture.at(0).toInt() == shipped && picture.at(1).toBool();
        }));

        list->setCurrentRow(0);
        QVERIFY(!remove->isEnabled());
        list->setCurrentRow(shipped);
        QVERIFY(remove->isEnabled());
        dialogs.nextAnswers << Dialogs::No;
        remove->click();
        QVERIFY(QFile::exists(kept));
        dialogs.nextAnswers << Dialogs::Yes;
        remove->click();
        QVERIFY(!QFile::exists(kept));
        QCOMPARE(list->count(), shipped);
        gallery->close();

        testing::TestPlatform main;
        main.settings().setValue(designs::kSettingsKey, QStringLiteral("own:My Party"));
        FakeOffice mainOffice;
        Form1 window(main.platform(), mainOffice);
        window.Form_Load();
        window.PushButton6_Click();
        QVERIFY(mainOffice.calls.contains(
            QStringLiteral("open:%1:readonly").arg(temporaryFile(QStringLiteral("template.dot")))));
        QVERIFY(std::any_of(main.dialogs.shown.begin(), main.dialogs.shown.end(),
                            [](const auto& box) { return box.text.contains(u"My Party"); }));
    }

    // Whatever the file is called, the design it becomes is listed under a
    // name no other item has, and is made without an Error report.
    void broughtNames_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("listed");
        const QString longName(240, u'A');
        QTest::newRow("240 characters") << longName + ".docx" << longName;
        QTest::newRow("hidden") << ".hidden.docx"
                                << "hidden";
        QTest::newRow("a shipped design's name") << "party hats.docx"
                                                 << "party hats (yours)";
    }
    void broughtNames()
    {
        QFETCH(QString, file);
        QFETCH(QString, listed);
        Preview preview(QStringLiteral("party"));
        Gallery* gallery = preview.open();
        QVERIFY(gallery);
        const QString path = mData.filePath(file);
        {
            QFile source(path);
            QVERIFY(source.open(QIODevice::WriteOnly));
            source.write("a template");
        }
        preview.office.templateFindings.hasText = true;
        preview.office.templateFindings.words = {
            {QStringLiteral("[Celebrant]"), office::Place::MainText, QString()}};
        preview.test.dialogs.nextOpenFileNames << path;
        preview.test.dialogs.nextAnswers << Dialogs::Yes;
        QSignalSpy shown(gallery, &Gallery::pictureShown);
        testing::control<QPushButton>(*gallery, "UseOwnTemplate")->click();
        auto* list = testing::control<QListWidget>(*gallery, "DesignList");
        QCOMPARE(list->item(list->count() - 1)->text(), listed);
        QStringList texts;
        for (int row = 0; row < list->count(); ++row)
            texts << list->item(row)->text();
        QCOMPARE(QSet<QString>(texts.begin(), texts.end()).size(), texts.size());
        const QString id = designs::all().last().id;
        QTRY_VERIFY(std::any_of(shown.begin(), shown.end(), [&](const QList<QVariant>& picture) {
            return picture.at(0).toInt() == list->count() - 1 && picture.at(1).toBool();
        }));
        gallery->close();

        testing::TestPlatform main;
        main.settings().setValue(designs::kSettingsKey, id);
        FakeOffice office;
        Form1 window(main.platform(), office);
        window.Form_Load();
        window.PushButton6_Click();
        QCOMPARE(main.dialogs.errorReports(), QStringList());
        QVERIFY(QFile::exists(window.form2()->mWordFile));
        QVERIFY(designs::removeOwn(id));
    }

private:
    QTemporaryDir mData;
};

QTEST_MAIN(TestGallery)
#include "test_gallery.moc"
