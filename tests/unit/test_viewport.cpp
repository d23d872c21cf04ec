#include "platform/Failure.h"
#include "preview/Viewport.h"
#include "tests/support/Pictures.h"
#include "tests/support/ScriptedDialogs.h"

#include <QPainter>
#include <QTest>

using namespace velmora;
using testing::ScriptedDialogs;
using Axis = Viewport::Axis;

namespace {

// A page whose base size (natural size minus 2) is the given one. The picture
// itself is small: only its natural size in twips takes part in the arithmetic.
Picture pageWithBase(double baseWidth, double baseHeight)
{
    QImage image(40, 50, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    return Picture(image, QSizeF(baseWidth + 2, baseHeight + 2));
}

struct Preview {
    ScriptedDialogs dialogs;
    Viewport viewport{dialogs};

    explicit Preview(double baseWidth, double baseHeight)
    {
        viewport.assignPicture(pageWithBase(baseWidth, baseHeight));
        viewport.Form_Activate();
    }
    void zoomIn(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            viewport.PushButton1_Click();
    }
    void zoomOut(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            viewport.PushButton2_Click();
    }
    // A press, moves with the left button held, and no release.
    void drag(QPointF from, const QList<QPointF>& moves)
    {
        viewport.Picture1_MouseDown(Qt::LeftButton, float(from.x()), float(from.y()));
        for (const QPointF& to : moves)
            viewport.Picture1_MouseMove(Qt::LeftButton, float(to.x()), float(to.y()));
    }
    void release() { viewport.Picture1_MouseUp(Qt::LeftButton, 0, 0); }
    QPointF position() const { return {viewport.pageBox().left, viewport.pageBox().top}; }
    QSizeF pageSize() const { return {viewport.pageBox().width, viewport.pageBox().height}; }
    const Viewport::Scrollbar& h() const { return viewport.scrollbar(Axis::Horizontal); }
    const Viewport::Scrollbar& v() const { return viewport.scrollbar(Axis::Vertical); }
};

} // namespace

class ViewportTest : public QObject {
    Q_OBJECT
private slots:
    void roundingTakesTiesToEven()
    {
        QCOMPARE(roundHalfEven32(10.5), 10);
        QCOMPARE(roundHalfEven32(11.5), 12);
        QCOMPARE(roundHalfEven32(-12.5), -12);
        QCOMPARE(roundHalfEven16(32767.4), std::int16_t(32767));
        QVERIFY_THROWS_EXCEPTION(Failure, roundHalfEven16(32767.5));
    }

    void naturalSizeFollowsThePicturesResolution()
    {
        QImage screen(612, 792, QImage::Format_RGB32);
        screen.setDotsPerMeterX(3780); // 96 dpi, as near as the field can say
        screen.setDotsPerMeterY(3780);
        QCOMPARE(naturalSizeTwips(screen), QSizeF(9180, 11880));
        QImage print(2550, 3300, QImage::Format_RGB32);
        print.setDotsPerMeterX(11811); // 300 dpi
        print.setDotsPerMeterY(11811);
        QCOMPARE(naturalSizeTwips(print), QSizeF(12240, 15840));
        QImage unknown(100, 10, QImage::Format_RGB32);
        unknown.setDotsPerMeterX(0);
        unknown.setDotsPerMeterY(0);
        QCOMPARE(naturalSizeTwips(unknown), QSizeF(1500, 150));
    }

    void firstDisplayDrawsAtZoomOneAndSetsUpTheScrollbars()
    {
        Preview preview(9178, 11878);
        const Viewport& v = preview.viewport;
        QVERIFY(preview.dialogs.errorReports().isEmpty());
        QCOMPARE(v.zoom(), 1.0f);
        QCOMPARE(v.baseWidth(), 9178);
        QCOMPARE(v.baseHeight(), 11878);
        QCOMPARE(v.drawWidth(), 9178);
        QCOMPARE(v.drawHeight(), 11878);
        QCOMPARE(preview.pageSize(), QSizeF(9178, 11878));
        QCOMPARE(preview.position(), QPointF(0, 0));
        QCOMPARE(v.drawCount(), 1);
        QVERIFY(v.pageBox().picture.isNull());
        QCOMPARE(v.holder().width, 9180.0f);
        QVERIFY(!v.holder().visible);
        // Narrower than the view: no horizontal scrolling.
        QVERIFY(!preview.h().enabled);
        QCOMPARE(v.hStep(), std::int16_t(0));
        // 11878 - 7425 = 4453 twips over: 445 units of 10.
        QVERIFY(preview.v().enabled);
        QCOMPARE(v.vStep(), std::int16_t(10));
        QCOMPARE(preview.v().maximum, 445);
        QCOMPARE(preview.v().value, 0);
        QVERIFY(!v.firstShow());
    }

    void zoomStepsStopAtTheirLimits()
    {
        Preview preview(2000, 1500);
        preview.zoomIn(12);
        QCOMPARE(preview.viewport.zoom(), 4.0f);
        QCOMPARE(preview.pageSize(), QSizeF(8000, 6000));
        QCOMPARE(preview.viewport.drawCount(), 13);
        preview.zoomIn();
        QCOMPARE(preview.viewport.zoom(), 4.0f);
        QCOMPARE(preview.viewport.drawCount(), 13);

        Preview small(2000, 1500);
        small.zoomOut(3);
        QCOMPARE(small.viewport.zoom(), 0.25f);
        QCOMPARE(small.pageSize(), QSizeF(500, 375));
        small.zoomOut();
        QCOMPARE(small.viewport.zoom(), 0.25f);
        QCOMPARE(small.viewport.drawCount(), 4);
        QVERIFY(small.dialogs.shown.isEmpty());
    }

    void drawnSizeTakesTheWholePart()
    {
        Preview preview(1001, 999);
        preview.zoomOut(3);
        QCOMPARE(preview.viewport.drawWidth(), 250); // 250.25
        QCOMPARE(preview.viewport.drawHeight(), 249); // 249.75
    }

    void reachingTheDrawnSizeLimitReturnsToZoomOneWithoutDrawing()
    {
        Preview preview(8000, 10000);
        preview.zoomIn();
        QCOMPARE(preview.viewport.zoom(), 1.25f);
        QCOMPARE(preview.pageSize(), QSizeF(10000, 12500));
        const int draws = preview.viewport.drawCount();
        preview.viewport.setScrollValue(Axis::Horizontal, 30);
        preview.viewport.setScrollValue(Axis::Vertical, 200);
        QCOMPARE(preview.position(), QPointF(-300, -2000));

        preview.zoomIn(); // 1.5 would be 12000 wide
        QCOMPARE(preview.viewport.zoom(), 1.0f);
        QCOMPARE(preview.viewport.drawCount(), draws);
        QCOMPARE(preview.pageSize(), QSizeF(10000, 12500)); // the 1.25 drawing stays
        QCOMPARE(preview.position(), QPointF(0, 0));
        QCOMPARE(preview.viewport.drawWidth(), 8000);
        QCOMPARE(preview.viewport.drawHeight(), 10000);

        preview.zoomIn();
        QCOMPARE(preview.viewport.zoom(), 1.25f);
        QCOMPARE(preview.viewport.drawCount(), draws + 1);
        preview.zoomOut(2);
        QCOMPARE(preview.viewport.zoom(), 0.75f);
        QCOMPARE(preview.pageSize(), QSizeF(6000, 7500));
        QVERIFY(preview.dialogs.shown.isEmpty());
    }

    void aPageBeyondTheLimitIsShownAtItsNaturalSize()
    {
        Preview preview(12240, 15840);
        QCOMPARE(preview.viewport.drawCount(), 0);
        QCOMPARE(preview.pageSize(), QSizeF(12242, 15842));
        QVERIFY(!preview.viewport.pageBox().picture.isNull());
        QCOMPARE(preview.h().maximum, 291); // (12242 - 9330) / 10 = 291.2
        preview.viewport.setScrollValue(Axis::Horizontal, 100);
        preview.zoomIn();
        QCOMPARE(preview.viewport.zoom(), 1.0f);
        QCOMPARE(preview.pageSize(), QSizeF(12242, 15842));
        QCOMPARE(preview.position(), QPointF(0, 0));
        preview.zoomOut();
        QCOMPARE(preview.viewport.zoom(), 0.75f);
        QCOMPARE(preview.pageSize(), QSizeF(9180, 11880));
        QCOMPARE(preview.viewport.drawCount(), 1);
    }

    void scrollbarSetUpFollowsTheOverflow_data()
    {
        QTest::addColumn<int>("overflow");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("step");
        QTest::newRow("d 1") << 1 << 1 << 1;
        QTest::newRow("d 100") << 100 << 100 << 1;
        QTest::newRow("d 101") << 101 << 10 << 10;
        QTest::newRow("d 105 tie to even") << 105 << 10 << 10;
        QTest::newRow("d 115 tie to even") << 115 << 12 << 10;
        QTest::newRow("d 2000") << 2000 << 200 << 10;
    }
    void scrollbarSetUpFollowsTheOverflow()
    {
        QFETCH(int, overflow);
        QFETCH(int, maximum);
        QFETCH(int, step);
        Preview preview(9330 + overflow, 7425 + overflow);
        QCOMPARE(preview.h().maximum, maximum);
        QCOMPARE(preview.v().maximum, maximum);
        QCOMPARE(int(preview.viewport.hStep()), step);
        QCOMPARE(int(preview.viewport.vStep()), step);
        QVERIFY(preview.h().enabled && preview.v().enabled);
        preview.viewport.setScrollValue(Axis::Horizontal, maximum);
        QCOMPARE(preview.position().x(), -double(maximum * step));
    }

    void aPageThatFitsDisablesTheScrollbarsAndKeepsTheirRange()
    {
        Preview preview(9330, 7425);
        QVERIFY(!preview.h().enabled);
        QVERIFY(!preview.v().enabled);
        QCOMPARE(preview.h().maximum, 32767);
        QCOMPARE(preview.viewport.hStep(), std::int16_t(0));
    }

    void setByPercentRoundsTiesToEvenAndIgnoresOutOfRange()
    {
        Preview preview(9330 + 25, 7425 + 27);
        Viewport& v = preview.viewport;
        v.SetHScrollbarByPercent(Axis::Horizontal, 50);
        QCOMPARE(preview.h().value, 12);
        QCOMPARE(preview.position().x(), -12.0);
        v.SetVScrollbarByPercent(Axis::Vertical, 50);
        QCOMPARE(preview.v().value, 14);
        QCOMPARE(preview.position().y(), -14.0);
        v.SetHScrollbarByPercent(Axis::Horizontal, 101);
        v.SetVScrollbarByPercent(Axis::Vertical, -1);
        QCOMPARE(preview.h().value, 12);
        QCOMPARE(preview.v().value, 14);
        v.SetHScrollbarByPercent(Axis::Horizontal, 100);
        QCOMPARE(preview.h().value, 25);
    }

    void dragMovesThePageWithinTheView()
    {
        Preview preview(10800, 10000);
        preview.drag({3000, 3000}, {{2000, 2500}});
        QCOMPARE(preview.position(), QPointF(-1000, -500));
        // Far to the left and up: the right and bottom edges stop at the view's.
        preview.drag({3000, 3000}, {{-9000, -9000}});
        QCOMPARE(preview.position(), QPointF(9330 - 10800, 7425 - 10000));
        // Far to the right and down: the left and top edges stop at 0.
        preview.drag({100, 100}, {{20000, 20000}});
        QCOMPARE(preview.position(), QPointF(0, 0));
        // No button held: nothing moves.
        preview.viewport.Picture1_MouseMove(Qt::NoButton, 5000, 5000);
        QCOMPARE(preview.position(), QPointF(0, 0));
        QCOMPARE(preview.viewport.drawCount(), 1);
    }

    void releaseSetsTheScrollbarsFromWhereThePageWasLeft()
    {
        Preview preview(10800, 10000);
        // h max 147, v max 258 (257.5, tie to even).
        preview.drag({3000, 3000}, {{1500, 2000}});
        preview.release();
        // The left edge stops at -1470: h = 100% -> 147 units -> -1470;
        // v = 1000/2575 = 38.83% -> 39 -> 100.62 -> 101 units -> -1010.
        QCOMPARE(preview.h().value, 147);
        QCOMPARE(preview.v().value, 101);
        QCOMPARE(preview.position(), QPointF(-1470, -1010));
        preview.drag({3000, 3000}, {{3500, 3000}});
        preview.release();
        // h = 970/1470 = 65.99% -> 66 -> 97.02 -> 97 units -> -970.
        QCOMPARE(preview.h().value, 97);
        QCOMPARE(preview.position(), QPointF(-970, -1010));
        // A few twips further gives the same value: the page stays where it was let go.
        preview.drag({3000, 3000}, {{3003, 3000}});
        preview.release();
        QCOMPARE(preview.h().value, 97);
        QCOMPARE(preview.position(), QPointF(-967, -1010));
        QVERIFY(preview.dialogs.shown.isEmpty());
    }

    void aNarrowPageJumpsBetweenTheSidesWhileDragged()
    {
        Preview preview(3000, 10000);
        QCOMPARE(preview.viewport.hStep(), std::int16_t(0));
        QVERIFY(!preview.h().enabled);
        preview.drag({100, 100}, {{50, 100}});
        QCOMPARE(preview.position().x(), 9330.0 - 3000.0);
        preview.drag({100, 100}, {{50, 100}});
        QCOMPARE(preview.position().x(), 0.0);
        preview.drag({100, 100}, {{50, 100}});
        QCOMPARE(preview.position().x(), 6330.0);
        preview.release();
        QCOMPARE(preview.position().x(), 6330.0);
        QVERIFY(preview.dialogs.shown.isEmpty());
    }

    void releaseWithEqualWidthsReportsTheFirstStepAndGoesOn()
    {
        Preview preview(9330, 10000);
        preview.drag({0, 2000}, {{0, 1000}});
        QCOMPARE(preview.position(), QPointF(0, -1000));
        preview.release();
        QCOMPARE(preview.dialogs.reportedLines(), QStringList{"Form2.Picture1_MouseUp:100"});
        QVERIFY(preview.dialogs.errorReports().first().startsWith("Division by zero\r\n"));
        QCOMPARE(preview.h().value, 0);
        QCOMPARE(preview.v().value, 101);
        QCOMPARE(preview.position(), QPointF(0, -1010));

        Preview wide(10800, 7425);
        wide.drag({2000, 0}, {{1000, 0}});
        wide.release();
        QCOMPARE(wide.dialogs.reportedLines(), QStringList{"Form2.Picture1_MouseUp:102"});
        QCOMPARE(wide.h().value, 100); // 1000/1470 = 68% of 147
        QCOMPARE(wide.position(), QPointF(-1000, 0));
    }

    void anActivationWithoutAHandOverChangesNothing()
    {
        Preview preview(8000, 10000);
        preview.zoomIn();
        preview.viewport.setScrollValue(Axis::Vertical, 100);
        const QPointF position = preview.position();
        const int maximum = preview.v().maximum;
        preview.viewport.Form_Activate();
        QCOMPARE(preview.viewport.zoom(), 1.25f);
        QCOMPARE(preview.position(), position);
        QCOMPARE(preview.v().value, 100);
        QCOMPARE(preview.v().maximum, maximum);
        QCOMPARE(preview.viewport.drawCount(), 2);
    }

    void aNewHandOverGetsItsOwnFirstDisplay()
    {
        Preview preview(8000, 10000);
        preview.zoomIn();
        preview.viewport.setScrollValue(Axis::Vertical, 100);
        preview.viewport.assignPicture(pageWithBase(5000, 6000));
        QVERIFY(preview.viewport.firstShow());
        // Auto-size is on since the first display: the box takes the new picture's size.
        QCOMPARE(preview.pageSize(), QSizeF(5002, 6002));
        preview.viewport.Form_Activate();
        QCOMPARE(preview.viewport.zoom(), 1.0f);
        QCOMPARE(preview.pageSize(), QSizeF(5000, 6000));
        QCOMPARE(preview.position(), QPointF(0, 0));
        QVERIFY(!preview.v().enabled);
        QCOMPARE(preview.viewport.vStep(), std::int16_t(0));
    }

    void withoutAPictureTheDrawingStepIsReported()
    {
        ScriptedDialogs dialogs;
        Viewport viewport(dialogs);
        viewport.assignPicture(Picture()); // the hand-over could not read the file
        viewport.Form_Activate();
        QCOMPARE(dialogs.reportedLines(), QStringList{"Form2.RedrawImage:112"});
        QCOMPARE(viewport.drawCount(), 0);
        // The design size of the page box stays, and the rest of the procedure ran.
        QCOMPARE(viewport.pageBox().width, 2338.0f);
        QCOMPARE(viewport.zoom(), 1.0f);
        QVERIFY(!viewport.firstShow());
        viewport.PushButton1_Click();
        QCOMPARE(dialogs.reportedLines(),
                 (QStringList{"Form2.RedrawImage:112", "Form2.RedrawImage:112"}));
    }

    // The drawing may take a quicker road than one smooth scale of the whole
    // picture, but what it draws stays within 1 % of that at every zoom step.
    void everyZoomStepDrawsWhatASmoothScaleWould_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QSizeF>("natural");
        // Thin dark lines on white, the hardest case for any shortcut.
        QImage lines(2550, 3300, QImage::Format_RGB32);
        lines.fill(Qt::white);
        for (int y = 0; y < lines.height(); y += 25)
            std::fill_n(reinterpret_cast<QRgb*>(lines.scanLine(y)), lines.width(),
                        qRgb(20, 20, 90));
        QTest::newRow("300 dpi page, shown small") << lines << QSizeF(2751, 3576);
        // The page as the program makes it; its drawn part is 1529 pixels wide,
        // and an odd half must not shift the page.
        const QImage page =
            lines.scaled(1530, 1980, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QTest::newRow("180 ppi page") << page << QSizeF(5737, 7425);
    }
    void everyZoomStepDrawsWhatASmoothScaleWould()
    {
        QFETCH(QImage, image);
        QFETCH(QSizeF, natural);
        ScriptedDialogs dialogs;
        Viewport viewport(dialogs);
        viewport.assignPicture(Picture(image, natural));
        viewport.Form_Activate();
        int drawn = 0;
        for (int step = 1; step <= 16; ++step) {
            viewport.SetZoom(0.25f * float(step));
            if (viewport.zoom() != 0.25f * float(step))
                continue; // beyond the drawn-size limit
            ++drawn;
            const QImage& surface = viewport.pageBox().surface;
            const QRect source(0, 0, qRound(viewport.baseWidth() * image.width() / natural.width()),
                               qRound(viewport.baseHeight() * image.height() / natural.height()));
            // Drawn onto a surface as the page always was.
            QImage direct(surface.size(), QImage::Format_RGB32);
            direct.fill(Qt::white);
            {
                QPainter painter(&direct);
                painter.setCompositionMode(QPainter::CompositionMode_Source);
                painter.drawImage(0, 0,
                                  image.copy(source).scaled(surface.size(), Qt::IgnoreAspectRatio,
                                                            Qt::SmoothTransformation));
            }
            const double difference = testing::meanDifference(surface, direct) / 100;
            QVERIFY2(
                difference <= 0.01,
                qPrintable(
                    QStringLiteral("zoom %1: %2 %").arg(viewport.zoom()).arg(100 * difference)));
        }
        QVERIFY(drawn >= 7);
        QVERIFY(dialogs.reportedLines().isEmpty());
    }
};

QTEST_MAIN(ViewportTest)
#include "test_viewport.moc"
