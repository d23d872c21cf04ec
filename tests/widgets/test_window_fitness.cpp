// Both windows as a desktop user meets them: every control that takes the
// focus has a name a screen reader can say, the captions fit at the scale the
// test runs at (QT_SCALE_FACTOR), and the text stays readable under a dark
// colour scheme, with and without the skin.

#include "mainwindow/Form1.h"
#include "platform/SettingsStore.h"
#include "preview/Form2.h"
#include "preview/Gallery.h"
#include "tests/support/Controls.h"
#include "tests/support/FakeOffice.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestPlatform.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

using namespace velmora;
using velmora::testing::control;
using velmora::testing::controls;
using velmora::testing::FakeOffice;
using velmora::testing::ScriptedDialogs;
using velmora::testing::TestPlatform;

namespace {

QPalette darkPalette()
{
    QPalette dark;
    const QColor window(0x2d, 0x2d, 0x30), base(0x1e, 0x1e, 0x1e), text(0xee, 0xee, 0xee);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        dark.setColor(group, QPalette::Window, window);
        dark.setColor(group, QPalette::WindowText, text);
        dark.setColor(group, QPalette::Base, base);
        dark.setColor(group, QPalette::AlternateBase, window);
        dark.setColor(group, QPalette::Text, text);
        dark.setColor(group, QPalette::Button, QColor(0x3c, 0x3c, 0x40));
        dark.setColor(group, QPalette::ButtonText, text);
        dark.setColor(group, QPalette::Highlight, QColor(0x26, 0x4f, 0x78));
        dark.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    return dark;
}

double luminance(QRgb rgb)
{
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb))
           + 0.0722 * channel(qBlue(rgb));
}

// The contrast between the commonest colour of the picture (its background)
// and the colour that stands out most from it (the strokes of its text).
double textContrast(const QImage& picture)
{
    std::map<QRgb, int> counts;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            ++counts[picture.pixel(x, y) | 0xff000000u];
    QRgb background = 0;
    int most = 0;
    for (const auto& [colour, count] : counts) {
        if (count > most) {
            most = count;
            background = colour;
        }
    }
    const double back = luminance(background);
    double best = 1;
    for (const auto& [colour, count] : counts) {
        const double l = luminance(colour);
        best = std::max(best, (std::max(l, back) + 0.05) / (std::min(l, back) + 0.05));
    }
    return best;
}

QList<QAccessibleInterface*> accessibilityTree(QAccessibleInterface* root)
{
    QList<QAccessibleInterface*> all{root};
    for (int i = 0; i < root->childCount(); ++i) {
        if (QAccessibleInterface* child = root->child(i))
            all += accessibilityTree(child);
    }
    return all;
}

QString accessibleName(QWidget* widget)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

// What a caption needs against what its control has, for every captioned
// control of the window; empty when everything fits.
QStringList clippedCaptions(QWidget& window)
{
    QStringList clipped;
    const auto check = [&clipped](QWidget* control, const QString& caption, int needed, int had) {
        if (needed > had)
            clipped << QStringLiteral("%1 \"%2\" needs %3 px, has %4")
                           .arg(QString::fromLatin1(control->metaObject()->className()), caption)
                           .arg(needed)
                           .arg(had);
    };
    for (QLabel* label : window.findChildren<QLabel*>()) {
        const QFontMetrics metrics = label->fontMetrics();
        const QRect room = label->contentsRect();
        check(label, label->text(), metrics.horizontalAdvance(label->text()), room.width());
        check(label, label->text(), metrics.height(), room.height());
    }
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (!button->text().isEmpty())
            check(button, button->text(), button->sizeHint().width(), button->width());
    }
    for (QGroupBox* frame : window.findChildren<QGroupBox*>()) {
        const int needed = frame->fontMetrics().horizontalAdvance(frame->title()) + 16;
        check(frame, frame->title(), needed, frame->width());
    }
    return clipped;
}

} // namespace

class WindowFitnessTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestPlatform> mTest;
    FakeOffice mOffice;
    QPalette mOriginalPalette;

    Platform platform() { return mTest->platform(); }
    std::unique_ptr<Form1> mainWindow()
    {
        auto form = std::make_unique<Form1>(platform(), mOffice);
        form->Form_Load();
        // The widest texts the fields hold in the sample and on a late date.
        form->PushButton4_Click();
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return nullptr;
        return form;
    }
    std::unique_ptr<Form2> preview()
    {
        QImage page(612, 792, QImage::Format_RGB32);
        page.fill(Qt::white);
        const QString file = mTest->path(QStringLiteral("temp.bmp"));
        page.save(file, "PNG");
        auto form = std::make_unique<Form2>(platform());
        form->loadPicture(file);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return nullptr;
        return form;
    }
    void installSkin()
    {
        QVERIFY(QDir(mTest->folder()).mkpath(QStringLiteral("x")));
        QVERIFY(QFile::copy(QStringLiteral(VELMORA_SKIN), mTest->path(QStringLiteral("x/o.cjs"))));
    }

private slots:
    void initTestCase()
    {
        mOriginalPalette = QApplication::palette();
        // A QT_SCALE_FACTOR that Qt ignored would test the unscaled windows again.
        const double factor = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                                  ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                                  : 1.0;
        QWidget probe;
        probe.show();
        QVERIFY(QTest::qWaitForWindowExposed(&probe));
        QCOMPARE(probe.devicePixelRatioF(), factor);
        qInfo() << "device pixel ratio" << probe.devicePixelRatioF();
    }
    void init()
    {
        mTest.reset();
        mTest = std::make_unique<TestPlatform>();
        mTest->now = QDateTime(QDate(2026, 9, 30), QTime(22, 45));
        mOffice = FakeOffice();
    }
    void cleanup()
    {
        qApp->setStyleSheet(QString());
        QApplication::setPalette(mOriginalPalette);
        QVERIFY2(mTest->dialogs.shown.isEmpty(),
                 qPrintable(mTest->dialogs.errorReports().join(QLatin1Char('\n'))));
    }

    void eachEntryFieldIsNamedAfterItsLabel()
    {
        auto form = mainWindow();
        QVERIFY(form);
        const std::array<QWidget*, 8> fields = {control<QLineEdit>(*form, "Text1", 0),
                                                control<DateTimePicker>(*form, "DateTimePicker1"),
                                                control<DateTimePicker>(*form, "DateTimePicker2"),
                                                control<QLineEdit>(*form, "Text1", 1),
                                                control<QLineEdit>(*form, "Text1", 2),
                                                control<QLineEdit>(*form, "Text1", 3),
                                                control<QRadioButton>(*form, "Option1"),
                                                control<QRadioButton>(*form, "Option2")};
        const QStringList names = {"Celebrant", "Date",          "Time", "Location",
                                   "Given By",  "RSVP Phone No", "Male", "Female"};
        for (std::size_t i = 0; i < fields.size(); ++i)
            QCOMPARE(accessibleName(fields[i]), names[qsizetype(i)]);
        // The label is announced as the field's label, and a click on it
        // hands the field the focus.
        const QList<QLabel*> label2 = controls<QLabel>(*form, "Label2");
        for (std::size_t i = 0; i < std::size_t(label2.size()); ++i) {
            QCOMPARE(label2[qsizetype(i)]->buddy(), fields[i]);
            QAccessibleInterface* field = QAccessible::queryAccessibleInterface(fields[i]);
            // Qt's relation "Label" lists the labels of the field.
            const auto labels = field->relations(QAccessible::Label);
            QVERIFY2(std::any_of(labels.begin(), labels.end(),
                                 [&](const auto& relation) {
                                     return relation.first->object() == label2[qsizetype(i)];
                                 }),
                     qPrintable(names[qsizetype(i)]));
        }
        for (QPushButton* button : {control<QPushButton>(*form, "PushButton6"),
                                    control<QPushButton>(*form, "PushButton3"),
                                    control<QPushButton>(*form, "PushButton4")})
            QCOMPARE(accessibleName(button), button->text());
    }

    void everyControlThatTakesTheFocusHasAName()
    {
        auto main = mainWindow();
        QVERIFY(main);
        auto page = preview();
        QVERIFY(page);
        for (QWidget* window : std::initializer_list<QWidget*>{main.get(), page.get()}) {
            int focusable = 0;
            for (QAccessibleInterface* face :
                 accessibilityTree(QAccessible::queryAccessibleInterface(window))) {
                if (!face->state().focusable)
                    continue;
                ++focusable;
                auto* widget = qobject_cast<QWidget*>(face->object());
                const QString what =
                    widget ? widget->objectName() + QLatin1Char(' ')
                                 + QString::fromLatin1(widget->metaObject()->className())
                           : QStringLiteral("an item");
                QVERIFY2(!face->text(QAccessible::Name).trimmed().isEmpty(),
                         qPrintable(QStringLiteral("unnamed: ") + what));
            }
            // Form1: four boxes, two pickers, three buttons, two options;
            // Form2: two scroll bars and four buttons.
            QCOMPARE(focusable, window == main.get() ? 11 : 6);
        }
    }

    void thePreviewPageIsNamedAndDescribed()
    {
        auto page = preview();
        QVERIFY(page);
        QAccessibleInterface* picture =
            QAccessible::queryAccessibleInterface(control<QWidget>(*page, "Picture1"));
        QCOMPARE(picture->text(QAccessible::Name), QStringLiteral("Invitation page"));
        QVERIFY(picture->text(QAccessible::Description).contains(QStringLiteral("Zoom In")));
        QCOMPARE(picture->parent()->object(), control<QWidget>(*page, "Picture2"));
    }

    void thePageIsDrawnAtTheScreensResolution()
    {
        // A page whose right half is dark: at any scale the box keeps its size
        // in the window's units, and its picture fills it, sharp, to the edge.
        QImage page(612, 792, QImage::Format_RGB32);
        page.setDotsPerMeterX(3780);
        page.setDotsPerMeterY(3780);
        page.fill(Qt::white);
        for (int y = 0; y < page.height(); ++y)
            for (int x = 306; x < page.width(); ++x)
                page.setPixel(x, y, qRgb(20, 20, 90));
        const QString file = mTest->path(QStringLiteral("temp.bmp"));
        QVERIFY(page.save(file, "PNG"));
        Form2 form(platform());
        form.loadPicture(file);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(control<QWidget>(form, "Picture1")->geometry(), QRect(0, 0, 612, 792));
        const QImage shown = control<QWidget>(form, "Picture1")->grab().toImage();
        const qreal ratio = form.devicePixelRatioF();
        QCOMPARE(shown.size(), (QSize(612, 792) * ratio));
        // Every device pixel of a row is the page's own: white on the left,
        // dark from the middle to the right edge; enlarging blends the two
        // only within one page pixel of the middle.
        const int row = shown.height() / 2;
        const int middle = int(306 * ratio);
        for (int x = 0; x < shown.width(); ++x) {
            if (std::abs(x - middle) < std::ceil(ratio))
                continue;
            const QRgb expected = x < middle ? qRgb(255, 255, 255) : qRgb(20, 20, 90);
            if ((shown.pixel(x, row) & 0xffffff) != (expected & 0xffffff))
                QFAIL(qPrintable(QStringLiteral("device pixel %1 of %2 is %3")
                                     .arg(x)
                                     .arg(shown.width())
                                     .arg(QColor(shown.pixel(x, row)).name())));
        }
    }

    void captionsFit_data()
    {
        QTest::addColumn<bool>("skinned");
        QTest::newRow("plain") << false;
        QTest::newRow("skinned") << true;
    }
    void captionsFit()
    {
        QFETCH(bool, skinned);
        if (skinned)
            installSkin();
        auto main = mainWindow();
        QVERIFY(main);
        QStringList clipped = clippedCaptions(*main);
        // The widest date the picker shows, and the sample's texts.
        const QFontMetrics picker =
            control<DateTimePicker>(*main, "DateTimePicker1")->fontMetrics();
        const int dateRoom =
            control<DateTimePicker>(*main, "DateTimePicker1")->findChild<QLineEdit*>()->width();
        if (picker.horizontalAdvance(QStringLiteral("September 30, 2026")) > dateRoom)
            clipped << QStringLiteral("the date picker's longest date");
        auto page = preview();
        QVERIFY(page);
        clipped += clippedCaptions(*page);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
    }

    void textStaysReadableUnderADarkScheme_data()
    {
        QTest::addColumn<bool>("skinned");
        QTest::addColumn<bool>("dark");
        QTest::newRow("plain") << false << true;
        QTest::newRow("skinned") << true << true;
        QTest::newRow("skinned, the usual light scheme") << true << false;
    }
    void textStaysReadableUnderADarkScheme()
    {
        QFETCH(bool, skinned);
        QFETCH(bool, dark);
        if (dark)
            QApplication::setPalette(darkPalette());
        if (skinned)
            installSkin();
        auto main = mainWindow();
        QVERIFY(main);
        auto page = preview();
        QVERIFY(page);
        QStringList faint;
        const auto check = [&faint](QWidget* control, const QString& what, const QRect& area) {
            const double contrast = textContrast(control->grab(area).toImage());
            // The contrast that the web's accessibility guidelines ask of text.
            if (contrast < 4.5)
                faint << QStringLiteral("%1 %2").arg(what).arg(contrast, 0, 'f', 1);
        };
        for (QLabel* label : controls<QLabel>(*main, "Label2"))
            check(label, label->text(), label->rect());
        for (QRadioButton* option :
             {control<QRadioButton>(*main, "Option1"), control<QRadioButton>(*main, "Option2")})
            check(option, option->text(), option->rect());
        for (QLineEdit* box : controls<QLineEdit>(*main, "Text1"))
            check(box, box->text(), box->rect());
        for (QWidget* window : std::initializer_list<QWidget*>{main.get(), page.get()}) {
            for (QGroupBox* frame : window->findChildren<QGroupBox*>())
                check(frame, frame->title(),
                      QRect(0, 0, frame->width(), frame->fontMetrics().height() + 2));
            // Unskinned buttons wear the scheme's own colours, which are not ours to judge.
            if (skinned) {
                for (QPushButton* button : window->findChildren<QPushButton*>())
                    check(button, button->text(), button->rect());
            }
        }
        // The gallery's current design: its name on the selection.
        Gallery gallery(mOffice, mTest->dialogs, InvitationValues(), QStringLiteral("party"),
                        page.get());
        gallery.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gallery));
        auto* list = control<QListWidget>(gallery, "DesignList");
        const QRect item = list->visualItemRect(list->currentItem());
        const int name = 2 * list->fontMetrics().height() + 4;
        check(list->viewport(), QStringLiteral("the current design's name"),
              QRect(item.left() + 4, item.bottom() - name, item.width() - 8, name - 4));
        gallery.close();
        QVERIFY2(faint.isEmpty(), qPrintable(faint.join(QStringLiteral("; "))));
        // The page and the main window's white stay white.
        QCOMPARE(control<QWidget>(*page, "Picture2")->palette().color(QPalette::Window),
                 QColor(Qt::white));
        if (!skinned)
            QCOMPARE(main->palette().color(QPalette::Window), QColor(Qt::white));
    }
};

QTEST_MAIN(WindowFitnessTest)
#include "test_window_fitness.moc"
