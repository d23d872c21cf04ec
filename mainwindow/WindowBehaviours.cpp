#include "mainwindow/WindowBehaviours.h"

#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/Files.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <QtEndian>

namespace velmora {

namespace {

constexpr qsizetype kShortTitleLength = 40;
constexpr qsizetype kCursorHeaderSize = 6;
constexpr qsizetype kCursorEntrySize = 16;

} // namespace

QString shortTitle(const QString& productTitle)
{
    QString title = productTitle;
    do {
        const qsizetype space = title.lastIndexOf(QLatin1Char(' '));
        if (space < 0)
            break;
        title.truncate(space);
    } while (title.size() > kShortTitleLength);
    return title;
}

void setApplicationShortTitle()
{
    Dialogs::setApplicationShortTitle(shortTitle(kProductTitle));
}

void applyFaceColour(QWidget& window)
{
    const QColor face = window.palette().color(QPalette::Button);
    // The text that the colour scheme puts on button faces, so that a window
    // white before (with dark text) stays readable under a dark scheme.
    const QColor faceText = window.palette().color(QPalette::ButtonText);
    const auto colour = [&face, &faceText](QWidget& widget) {
        QPalette palette = widget.palette();
        palette.setColor(QPalette::Window, face);
        palette.setColor(QPalette::WindowText, faceText);
        widget.setPalette(palette);
        widget.setAutoFillBackground(true);
    };
    colour(window);
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (qobject_cast<QRadioButton*>(control) || qobject_cast<QCheckBox*>(control)
            || qobject_cast<QGroupBox*>(control) || qobject_cast<QLabel*>(control))
            colour(*control);
    }
}

QCursor loadCursorFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(file.errorString() + QStringLiteral(": ") + path);
    QByteArray bytes = file.readAll();
    const auto word = [&bytes](qsizetype at) {
        return qFromLittleEndian<quint16>(bytes.constData() + at);
    };
    // A cursor file: reserved 0, type 2, at least one directory entry whose
    // planes and bit-count fields hold the hotspot.
    if (bytes.size() < kCursorHeaderSize + kCursorEntrySize || word(0) != 0 || word(2) != 2
        || word(4) == 0)
        throw Failure(QStringLiteral("Invalid picture: ") + path);
    const int hotX = word(kCursorHeaderSize + 4);
    const int hotY = word(kCursorHeaderSize + 6);
    // The images are laid out as in an icon file; Qt's icon reader decodes them.
    qToLittleEndian<quint16>(1, bytes.data() + 2);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    const QImage image = reader.read();
    if (image.isNull())
        throw Failure(QStringLiteral("Invalid picture: ") + path);
    return QCursor(QPixmap::fromImage(image), std::min(hotX, image.width() - 1),
                   std::min(hotY, image.height() - 1));
}

WindowPointer::WindowPointer(QWidget& window)
    : QObject(&window), mWindow(window)
{
}

void WindowPointer::setKind(int kind)
{
    if (kind == mKind)
        return;
    mKind = kind;
    apply();
}

void WindowPointer::setCustomImage(const std::optional<QCursor>& image)
{
    mCustomImage = image;
    apply();
}

void WindowPointer::loadHandCursor(const QString& programFolder)
{
    const QString path = programFolder + QLatin1Char('/') + kHandCursorFile;
    if (fileExists(path))
        setCustomImage(loadCursorFile(path));
}

void WindowPointer::apply()
{
    switch (mKind) {
    case Busy:
        mWindow.setCursor(Qt::WaitCursor);
        break;
    case Custom:
        mWindow.setCursor(mCustomImage ? *mCustomImage : QCursor(Qt::PointingHandCursor));
        break;
    default:
        mWindow.setCursor(Qt::ArrowCursor);
        break;
    }
}

void WindowPointer::watchButton(QWidget& button)
{
    button.setMouseTracking(true);
    mButtons.insert(&button);
    button.installEventFilter(this);
}

void WindowPointer::watchSurface(QWidget& surface)
{
    surface.setMouseTracking(true);
    mSurfaces.insert(&surface);
    surface.installEventFilter(this);
}

bool WindowPointer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseMove || mKind == Busy)
        return false;
    if (mButtons.contains(watched)) {
        setKind(Custom);
    } else if (mSurfaces.contains(watched)) {
        auto* widget = static_cast<QWidget*>(watched);
        // A move that a child passed up is not over the surface's own background.
        const auto* move = static_cast<QMouseEvent*>(event);
        if (!widget->childAt(move->position().toPoint()))
            setKind(Default);
    }
    return false;
}

} // namespace velmora
