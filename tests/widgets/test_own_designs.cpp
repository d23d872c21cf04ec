// Bringing a template of one's own through the gallery, over the fake office:
// the check's report and the question in one window, the design kept and
// pictured, refused without a trace, removed, and a removed design that was
// remembered made in the default one.
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
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using testing::FakeOffice;

class TestOwnDesigns : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(mData.isValid());
        // The user's designs go to a folder of the test's.
        qputenv("XDG_DATA_HOME", QFile::encodeName(mData.filePath(QStringLiteral("data"))));
        designs::reload();
    }

    void bringAndRemoveADesign()
    {
        testing::TestPlatform test;
        FakeOffice office;
        Form2 form(test.platform());
        InvitationValues values;
        values.texts[0] = QStringLiteral("Orla Penwick");
        form.pageActions().setOffice(office);
        form.setInvitation(values, QStringLiteral("party"));
        form.show();
        QApplication::setActiveWindow(&form);
        QTest::keySequence(&form, QKeySequence(QStringLiteral("Ctrl+D")));
        Gallery* gallery = form.gallery();
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
        // A file without a token is refused, and nothing is kept.
        office.templateFindings.hasText = true;
        test.dialogs.nextOpenFileNames << file;
        test.dialogs.shown.clear();
        QApplication::setActiveWindow(gallery);
        QTest::keySequence(gallery, QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(test.dialogs.shown.size(), 1);
        QVERIFY2(test.dialogs.shown.last().text.contains(QStringLiteral("No token was found")),
                 qPrintable(test.dialogs.shown.last().text));
        QCOMPARE(test.dialogs.shown.last().icon, Dialogs::Icon::Warning);
        QCOMPARE(list->count(), shipped);
        QCOMPARE(QDir(designs::ownFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());

        // With tokens: the report and the question, then the design.
        office.templateFindings.words = {
            {QStringLiteral("[Celebrant]"), office::Place::MainText,
             QStringLiteral(" celebrate her birthday")},
            {QStringLiteral("[BirthDate]"), office::Place::MainText, QString()}};
        test.dialogs.nextOpenFileNames << file;
        test.dialogs.nextAnswers << Dialogs::Yes;
        QSignalSpy shown(gallery, &Gallery::pictureShown);
        testing::control<QPushButton>(*gallery, "UseOwnTemplate")->click();
        QVERIFY(office.calls.contains(QStringLiteral("checkTemplate:") + file));
        const QString report = test.dialogs.shown.last().text;
        QVERIFY2(report.contains(QStringLiteral("[Celebrant] in the main text")),
                 qPrintable(report));
        QVERIFY(
            report.contains(QStringLiteral("[BirthDate] in the main text: the date and time are "
                                           "replaced in text boxes only")));
        QVERIFY(
            report.endsWith(QStringLiteral("Add this template to the designs as \"My Party\"?")));
        const QString kept = designs::ownFolder() + QStringLiteral("/My Party.dot");
        QVERIFY(QFile::exists(kept));
        // The folder is the user's alone.
        const QFileDevice::Permissions folder = QFile::permissions(designs::ownFolder());
        QCOMPARE(int(folder & 0x7077), 0x7000);
        QCOMPARE(designs::all().last().id, QStringLiteral("own:My Party"));
        QCOMPARE(designs::all().last().name, QStringLiteral("My Party"));
        QCOMPARE(list->count(), shipped + 1);
        QCOMPARE(list->currentItem()->data(Qt::UserRole).toString(),
                 QStringLiteral("own:My Party"));
        // Its own picture, filled like every design's.
        QTRY_VERIFY(std::any_of(shown.begin(), shown.end(), [&](const QList<QVariant>& picture) {
            return picture.at(0).toInt() == shipped && picture.at(1).toBool();
        }));

        // Shipped designs cannot be removed; the user's can, after a question.
        list->setCurrentRow(0);
        QVERIFY(!remove->isEnabled());
        list->setCurrentRow(shipped);
        QVERIFY(remove->isEnabled());
        test.dialogs.nextAnswers << Dialogs::No;
        remove->click();
        QVERIFY(QFile::exists(kept));
        test.dialogs.nextAnswers << Dialogs::Yes;
        remove->click();
        QVERIFY(test.dialogs.shown.last().text.startsWith(
            QStringLiteral("Remove the design \"My Party\"?")));
        QVERIFY(!QFile::exists(kept));
        QCOMPARE(list->count(), shipped);
        QCOMPARE(designs::all().size(), shipped);
        gallery->close();

        // Remembered, then removed: the default design, with a word why.
        testing::TestPlatform main;
        main.settings().setValue(designs::kSettingsKey, QStringLiteral("own:My Party"));
        FakeOffice mainOffice;
        Form1 window(main.platform(), mainOffice);
        window.Form_Load();
        window.PushButton6_Click();
        QVERIFY(mainOffice.calls.contains(
            QStringLiteral("open:%1:readonly").arg(temporaryFile(QStringLiteral("template.dot")))));
        QVERIFY(
            std::any_of(main.dialogs.shown.begin(), main.dialogs.shown.end(), [](const auto& box) {
                return box.text.startsWith(
                    QStringLiteral("Your design \"My Party\" is no longer there"));
            }));
    }

private:
    QTemporaryDir mData;
};

QTEST_MAIN(TestOwnDesigns)
#include "test_own_designs.moc"
