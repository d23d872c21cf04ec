// The shipped invitation template through the real engine: its text boxes are
// reached by the story pass and by the shape pass.
#include "OfficeFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

class TestInvitationTemplate : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    GUARDED_TEST {
        if (!QFile::exists(QStringLiteral(VELMORA_TEMPLATE)))
            QSKIP("the binary template has not been built yet");
        QVERIFY(mFolder.isValid());
        mEngine = makeTestEngine();
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void cleanupTestCase()
    GUARDED_TEST {
        mEngine.reset();
        QCOMPARE(leftovers(mFolder.path()), QStringList());
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void storyPassReachesTheTextBoxes()
    GUARDED_TEST {
        auto application = mEngine->createApplication();
        auto document = application->open(QStringLiteral(VELMORA_TEMPLATE), true);
        for (const auto& range : document->storyRanges()) {
            office::Find& find = range->find();
            find.text = QStringLiteral("[celebrant]");
            find.replacementText = QStringLiteral("Ann");
            range->execute(office::kReplaceAll);
            find.text = QStringLiteral("[RSVPNo]");
            find.replacementText = QStringLiteral("555-0101");
            range->execute(office::kReplaceAll);
        }
        const QString saved = mFolder.filePath(QStringLiteral("story.doc"));
        document->saveAs(saved);
        application->quit();

        const QString text = documentText(saved);
        QVERIFY(text.contains(QStringLiteral("Please come and help Ann celebrate her birthday!")));
        QVERIFY(text.contains(QStringLiteral("Please RSVP 555-0101")));
        QVERIFY(text.contains(QStringLiteral("[BirthDate]")));
    }
    FAIL_ON_UNEXPECTED_FAILURE

    void shapePassReachesTheTextBoxes()
    GUARDED_TEST {
        auto application = mEngine->createApplication();
        auto document = application->open(QStringLiteral(VELMORA_TEMPLATE), true);
        for (const auto& shape : document->shapes()) {
            if (!shape->hasText())
                continue;
            shape->replaceText(QStringLiteral("[Celebrant] celebrate her"), QStringLiteral("Bo celebrate his"),
                               office::kReplaceAll);
            shape->replaceText(QStringLiteral("[BirthDate]"), QStringLiteral("August 31, 2021"), office::kReplaceAll);
            shape->replaceText(QStringLiteral("[BirthTime]"), QStringLiteral("2:05 P.M."), office::kReplaceAll);
        }
        const QString saved = mFolder.filePath(QStringLiteral("shapes.doc"));
        document->saveAs(saved);
        application->quit();

        const QString text = documentText(saved);
        QVERIFY(text.contains(QStringLiteral("Please come and help Bo celebrate his birthday!")));
        QVERIFY(text.contains(QStringLiteral("August 31, 2021")));
        QVERIFY(text.contains(QStringLiteral("2:05 P.M.")));
        QVERIFY(!text.contains(QStringLiteral("[BirthDate]")));
    }
    FAIL_ON_UNEXPECTED_FAILURE

private:
    QTemporaryDir mFolder;
    std::unique_ptr<office::Engine> mEngine;
};

QTEST_GUILESS_MAIN(TestInvitationTemplate)
#include "test_invitation_template.moc"
