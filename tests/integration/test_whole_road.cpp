#include "mainwindow/Form1.h"
#include "platform/SettingsStore.h"
#include "preview/Form2.h"
#include "tests/support/Controls.h"
#include "tests/support/OfficeFixtures.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestPlatform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using velmora::testing::control;
using velmora::testing::ScriptedDialogs;
using velmora::testing::TestPlatform;

namespace {

QPushButton* button(const QWidget& window, const char* name,
                    std::source_location at = std::source_location::current())
{
    return control<QPushButton>(window, name, at);
}

// Everything the saved document says, text boxes included: LibreOffice turns
// it into flat ODF in a profile of its own, and the markup is dropped.
QString savedText(const QString& document)
{
    QTemporaryDir work;
    QProcess office;
    office.setProgram(QStringLiteral("soffice"));
    office.setArguments(
        {QStringLiteral("-env:UserInstallation=file://") + work.filePath(QStringLiteral("profile")),
         QStringLiteral("--headless"), QStringLiteral("--norestore"),
         QStringLiteral("--convert-to"), QStringLiteral("fodt"), QStringLiteral("--outdir"),
         work.path(), document});
    office.start();
    if (!office.waitForFinished(120000)) {
        office.kill();
        office.waitForFinished();
        return {};
    }
    QFile flat(work.filePath(QFileInfo(document).completeBaseName() + QStringLiteral(".fodt")));
    if (!flat.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(flat.readAll());
    const qsizetype body = text.indexOf(QStringLiteral("<office:body>"));
    text = text.mid(body < 0 ? 0 : body);
    static const QRegularExpression lineBreaks(QStringLiteral("<text:(p|h|line-break)\\b[^>]*>"));
    text.replace(lineBreaks, QStringLiteral("\n"));
    static const QRegularExpression markup(QStringLiteral("<[^>]*>"));
    text.remove(markup);
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
        .replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""))
        .replace(QStringLiteral("&apos;"), QStringLiteral("'"));
    return text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

bool hasInk(const QImage& picture)
{
    int coloured = 0;
    for (int y = 0; y < picture.height(); y += 3)
        for (int x = 0; x < picture.width(); x += 3)
            if (qAbs(qRed(picture.pixel(x, y)) - qBlue(picture.pixel(x, y))) > 60)
                ++coloured;
    return coloured > 100;
}

} // namespace

class WholeRoadTest : public QObject {
    Q_OBJECT
private:
    TestPlatform mTest;
    std::unique_ptr<office::Engine> mEngine;
    int mEndRequests = 0;

    std::unique_ptr<Form1> startForm()
    {
        auto form = std::make_unique<Form1>(mTest.platform(), *mEngine);
        connect(form.get(), &Form1::endProgramRequested, this, [this] { ++mEndRequests; });
        if (!form->Form_Load())
            return nullptr;
        form->show();
        return form;
    }
    QStringList temporaryEntries() const
    {
        // The record of which documents this program made is ours, not a
        // leftover; so is the settings file, which shares the test's folder.
        QStringList entries =
            QDir(mTest.folder()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        entries.removeIf([](const QString& name) {
            return name.startsWith(QStringLiteral("velmora-documents-"));
        });
        entries.removeAll(QStringLiteral("Velmora.ini"));
        return entries;
    }

private slots:
    void initTestCase()
    {
        mTest.now = QDateTime(QDate(2021, 8, 31), QTime(14, 5, 9));
        // Fresh result names for every run, and never the draw that opens the
        // maker's website.
        mTest.random = [] {
            double draw = 0;
            do
                draw = QRandomGenerator::global()->generateDouble();
            while (int(draw * 100) + 1 == 7);
            return draw;
        };
        mEngine = velmora::testing::makeTestEngine(1);
    }
    void cleanupTestCase()
    {
        mEngine.reset();
        QCOMPARE(velmora::testing::leftovers(mTest.folder()), QStringList{});
    }

    void sampleToSavedDocumentAndBack()
    {
        auto form = startForm();
        QVERIFY(form);
        button(*form, "PushButton4")->click();
        button(*form, "PushButton6")->click();
        QVERIFY2(mTest.dialogs.errorReports().isEmpty(),
                 qPrintable(mTest.dialogs.errorReports().join(QLatin1Char('\n'))));

        Form2* preview = form->form2();
        QVERIFY(preview && preview->isVisible());
        QVERIFY(!form->isVisible());
        const QString document = preview->mWordFile;
        QVERIFY(QFile::exists(document));
        QCOMPARE(temporaryEntries(), QStringList{QFileInfo(document).fileName()});
        QVERIFY(hasInk(control<QWidget>(*preview, "Picture1")->grab().toImage()));

        const QString saved = mTest.path(QStringLiteral("kept/invitation.doc"));
        QDir().mkpath(QFileInfo(saved).path());
        mTest.dialogs.nextFileNames << saved;
        button(*preview, "PushButton6")->click();
        QCOMPARE(mTest.dialogs.shown.last().text, QStringLiteral("Done."));
        const QString text = savedText(saved);
        QVERIFY2(!text.isEmpty(), "the saved document could not be read back");
        for (const char* expected : {"Please come and help Orla Penwick celebrate his birthday!",
                                     "Candia Inflatable Play Facility", "Bozo", "555-010-2468",
                                     "August 31, 2021", "2:05 P.M.", "it's a", "PARTY!"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        static const QRegularExpression token(
            QStringLiteral("\\[(Celebrant|Location|GivenBy|RSVPNo|BirthDate|BirthTime)\\]"));
        QVERIFY(!text.contains(token));

        button(*preview, "PushButton8")->click();
        QVERIFY(!QFile::exists(document));
        QVERIFY(form->isVisible());
        QVERIFY(!preview->isVisible());

        // Female this time: the template's own wording stays.
        control<QRadioButton>(*form, "Option2")->click();
        button(*form, "PushButton6")->click();
        QVERIFY(preview->isVisible());
        QVERIFY(preview->mWordFile != document);
        const QString second = savedText(preview->mWordFile);
        QVERIFY(second.contains(
            QStringLiteral("Please come and help Orla Penwick celebrate her birthday!")));
        preview->close();
        QVERIFY(!QFile::exists(preview->mWordFile));
        QCOMPARE(mEndRequests, 1);
    }

    void unusualValuesReachTheDocumentInTheirOrder()
    {
        mTest.dialogs = ScriptedDialogs();
        auto form = startForm();
        QVERIFY(form);
        const QString longPlace = QString(10000, QLatin1Char('L'));
        control<QLineEdit>(*form, "Text1", 0)->setText(QStringLiteral("[Location]"));
        control<QLineEdit>(*form, "Text1", 1)
            ->setText(QStringLiteral("Caf\u00e9 \U0001F389 \u05D2\u05DF & <Hall>"));
        control<QLineEdit>(*form, "Text1", 2)->setText(QString());
        control<QLineEdit>(*form, "Text1", 3)->setText(longPlace);
        control<QRadioButton>(*form, "Option2")->click();
        button(*form, "PushButton6")->click();
        QVERIFY2(mTest.dialogs.errorReports().isEmpty(),
                 qPrintable(mTest.dialogs.errorReports().join(QLatin1Char('\n'))));
        const QString text = savedText(form->form2()->mWordFile);
        // The celebrant's own "[Location]" was replaced in its turn by the location.
        QVERIFY(text.contains(QStringLiteral("Please come and help Caf\u00e9 \U0001F389 "
                                             "\u05D2\u05DF & <Hall> celebrate her birthday!")));
        QVERIFY(text.contains(longPlace));
        QVERIFY(!text.contains(QStringLiteral("[GivenBy]")));
        button(*form->form2(), "PushButton8")->click();
    }
};

QTEST_MAIN(WholeRoadTest)
#include "test_whole_road.moc"
