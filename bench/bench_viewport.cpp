// Prints the time of one RedrawImage at the largest drawn size and of one drag
// move, on the viewport alone and through the preview window (offscreen), and
// how far the drawn pixels are from a direct smooth scale at every zoom step.
#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "preview/Form2.h"
#include "preview/Viewport.h"
#include "tests/support/Controls.h"
#include "tests/support/Pictures.h"
#include "tests/support/TestPlatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace velmora;

namespace {

class SilentDialogs final : public Dialogs {
public:
    int reports = 0;
    int message(const QString&, const QString&, Buttons, Icon) override
    {
        ++reports;
        return Ok;
    }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
};

template <class Run>
double medianMicroseconds(int rounds, Run run)
{
    std::vector<double> times;
    times.reserve(std::size_t(rounds));
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        run(i);
        times.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A letter page rendered at 300 dpi, the kind of picture the page export gives.
QImage letterPage()
{
    QImage page(2550, 3300, QImage::Format_RGB32);
    page.fill(Qt::white);
    for (int y = 0; y < page.height(); y += 25)
        for (int x = 0; x < page.width(); ++x)
            page.setPixel(x, y, qRgb(20, 20, 90));
    page.setDotsPerMeterX(11811);
    page.setDotsPerMeterY(11811);
    return page;
}

// What each zoom step draws beside a direct smooth scale of the whole source
// rectangle: the largest mean absolute difference over the steps.
void compareWithDirectScale(Dialogs& dialogs, const Picture& picture, const char* name)
{
    Viewport viewport(dialogs);
    viewport.assignPicture(picture);
    viewport.Form_Activate();
    double worst = 0;
    float worstZoom = 0;
    int steps = 0;
    for (int step = 1; step <= 16; ++step) {
        const float zoom = 0.25f * float(step);
        viewport.SetZoom(zoom);
        if (viewport.zoom() != zoom)
            continue; // beyond the drawn-size limit: nothing drawn
        const QImage& image = picture.image;
        const QRect source(
            0, 0,
            std::clamp(qRound(viewport.baseWidth() * image.width() / picture.natural.width()), 1,
                       image.width()),
            std::clamp(qRound(viewport.baseHeight() * image.height() / picture.natural.height()), 1,
                       image.height()));
        const QImage& drawn = viewport.pageBox().surface;
        const QImage direct = image.copy(source).scaled(drawn.size(), Qt::IgnoreAspectRatio,
                                                        Qt::SmoothTransformation);
        const double difference = testing::meanDifference(drawn, direct);
        if (difference >= worst) {
            worst = difference;
            worstZoom = zoom;
        }
        ++steps;
    }
    std::printf("drawn vs direct smooth scale, %s: largest mean difference %.3f %% (zoom %.2f), "
                "%d steps\n",
                name, worst, double(worstZoom), steps);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    SilentDialogs dialogs;
    const QImage page = letterPage();

    // Base 2749 x 3574 twips: zoom 4.0 draws 10996 x 14296, just inside the limit.
    Viewport viewport(dialogs);
    viewport.assignPicture(Picture(page, QSizeF(2751, 3576)));
    viewport.Form_Activate();
    viewport.SetZoom(4.0f);
    const double redraw = medianMicroseconds(21, [&](int) { viewport.RedrawImage(); });
    std::printf("RedrawImage at %d x %d twips (%d x %d px) from a %d x %d picture: %.0f us (median "
                "of 21)\n",
                viewport.drawWidth(), viewport.drawHeight(), viewport.pageBox().surface.width(),
                viewport.pageBox().surface.height(), page.width(), page.height(), redraw);

    viewport.SetupScrollbars();
    viewport.Picture1_MouseDown(Qt::LeftButton, 1000, 1000);
    const int drawsBefore = viewport.drawCount();
    const double move = medianMicroseconds(1001, [&](int i) {
        viewport.Picture1_MouseMove(Qt::LeftButton, float(1000 - (i % 50)), float(1000 - (i % 70)));
    });
    std::printf("drag move, viewport only: %.2f us (median of 1001), draws during drag: %d\n", move,
                viewport.drawCount() - drawsBefore);

    // The same through Form2: the move event, the mirrored geometry and the repaint.
    testing::TestPlatform test;
    const QString file = test.path(QStringLiteral("temp.bmp"));
    page.save(file, "PNG");
    Form2 form(test.platform());
    form.loadPicture(file);
    form.show();
    form.Form_Activate();
    form.PushButton2_Click(); // 0.75 of a 12240 x 15840 page: 9180 x 11880
    QWidget* box = testing::control<QWidget>(form, QStringLiteral("Picture1"));
    QWidget* view = testing::control<QWidget>(form, QStringLiteral("Picture2"));
    const double formRedraw = medianMicroseconds(11, [&](int i) {
        if (i % 2 == 0)
            form.PushButton2_Click();
        else
            form.PushButton1_Click();
    });
    std::printf("Form2 zoom click (RedrawImage + SetupScrollbars), zoom 0.5/0.75, last %d x %d "
                "twips: %.0f us (median of 11)\n",
                form.viewport().drawWidth(), form.viewport().drawHeight(), formRedraw);
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button) {
        QMouseEvent event(type, QPointF(at), QPointF(box->mapToGlobal(at)), button, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(box, &event);
    };
    send(QEvent::MouseButtonPress, {300, 300}, Qt::LeftButton);
    const int formDraws = form.viewport().drawCount();
    const double formMove = medianMicroseconds(301, [&](int i) {
        send(QEvent::MouseMove, {300 - (i % 3), 300 - (i % 5)}, Qt::NoButton);
        view->repaint();
    });
    std::printf("Form2 drag move with repaint: %.0f us (median of 301), draws during drag: %d\n",
                formMove, form.viewport().drawCount() - formDraws);
    compareWithDirectScale(dialogs, Picture(page, QSizeF(2751, 3576)), "300 dpi page");
    compareWithDirectScale(
        dialogs,
        Picture(page.scaled(1530, 1980, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                QSizeF(5737, 7425)),
        "180 ppi page as the program makes it");
    std::printf("error reports: %d\n", dialogs.reports + int(test.dialogs.errorReports().size()));
    return 0;
}
