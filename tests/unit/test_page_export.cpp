// SaveDocAsJPG's guarded steps, with an office that hands out one picture.
#include "generation/Office.h"
#include "generation/PageExport.h"
#include "tests/support/ScriptedDialogs.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::office;

namespace {

// Records the calls; pictureFails / createFails make those operations throw.
struct PictureOffice final : Engine {
    QStringList calls;
    bool createFails = false;
    bool pictureFails = false;

    struct Doc final : Document {
        PictureOffice& office;
        explicit Doc(PictureOffice& owner) : office(owner) {}
        std::vector<Ref<Range>> storyRanges() override { return {}; }
        std::vector<Ref<Shape>> shapes() override { return {}; }
        void saveAs(const QString& path) override { office.calls << QStringLiteral("saveAs ") + path; }
        void close() override { office.calls << QStringLiteral("close"); }
        QImage pagePicture() override
        {
            office.calls << QStringLiteral("pagePicture");
            if (office.pictureFails)
                throw Failure(QStringLiteral("render failed"));
            QImage picture(40, 60, QImage::Format_RGB32);
            picture.fill(Qt::darkGreen);
            return picture;
        }
    };

    struct App final : Application {
        PictureOffice& office;
        explicit App(PictureOffice& owner) : office(owner) {}
        Ref<Document> open(const QString& path, bool readOnly) override
        {
            office.calls << QStringLiteral("open %1 %2").arg(path).arg(readOnly);
            return Ref<Document>(std::make_shared<Doc>(office));
        }
        void setDisplayAlerts(bool) override {}
        void closeActiveDocument(bool saveChanges) override
        {
            office.calls << QStringLiteral("closeActiveDocument %1").arg(saveChanges);
        }
        void quit() override { office.calls << QStringLiteral("quit"); }
    };

    void checkAvailable() override {}

    Ref<Application> createApplication() override
    {
        calls << QStringLiteral("create");
        if (createFails)
            throw Failure(QStringLiteral("no office"));
        return Ref<Application>(std::make_shared<App>(*this));
    }
};

void writeOldPicture(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("old picture");
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPageExport : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(mFolder.isValid());
        mPicture = mFolder.filePath(QStringLiteral("temp.bmp"));
        writeOldPicture(mPicture);
    }

    void writesThePictureOverTheOldOne()
    {
        PictureOffice office;
        testing::ScriptedDialogs dialogs;
        saveDocAsJpg(office, dialogs, QStringLiteral("/t/tarvik12345678.doc"), mPicture);

        QCOMPARE(dialogs.errorReports(), QStringList());
        QCOMPARE(office.calls, QStringList({QStringLiteral("create"),
                                            QStringLiteral("open /t/tarvik12345678.doc 0"),
                                            QStringLiteral("pagePicture"),
                                            QStringLiteral("closeActiveDocument 0"),
                                            QStringLiteral("quit")}));
        const QImage written(mPicture);
        QCOMPARE(written.size(), QSize(40, 60));
        QCOMPARE(written.pixelColor(5, 5), QColor(Qt::darkGreen));
    }

    // No picture: reported at the write, the old file stays, the office is
    // still closed and ended.
    void failedPictureLeavesTheOldFile()
    {
        PictureOffice office;
        office.pictureFails = true;
        testing::ScriptedDialogs dialogs;
        saveDocAsJpg(office, dialogs, QStringLiteral("/t/a.doc"), mPicture);

        QCOMPARE(dialogs.reportedLines(), QStringList({QStringLiteral("Form1.SaveDocAsJPG:120"),
                                                       QStringLiteral("Form1.SaveDocAsJPG:122")}));
        QVERIFY(dialogs.errorReports().first().startsWith(QStringLiteral("render failed")));
        QVERIFY(office.calls.endsWith(QStringLiteral("quit")));
        QCOMPARE(contents(mPicture), QByteArray("old picture"));
    }

    // Every step after a failed creation fails on its own and is reported.
    void missingOfficeReportsEveryStep()
    {
        PictureOffice office;
        office.createFails = true;
        testing::ScriptedDialogs dialogs;
        saveDocAsJpg(office, dialogs, QStringLiteral("/t/a.doc"), mPicture);

        QStringList expected;
        for (int line : {116, 118, 120, 122, 124, 126})
            expected << QStringLiteral("Form1.SaveDocAsJPG:%1").arg(line);
        QCOMPARE(dialogs.reportedLines(), expected);
        QVERIFY(dialogs.errorReports().at(1).startsWith(kObjectNotSet));
        QCOMPARE(contents(mPicture), QByteArray("old picture"));
    }

private:
    QTemporaryDir mFolder;
    QString mPicture;
};

QTEST_GUILESS_MAIN(TestPageExport)
#include "test_page_export.moc"
