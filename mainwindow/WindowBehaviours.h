#pragma once

#include <QCursor>
#include <QObject>
#include <QSet>
#include <QString>
#include <optional>

class QWidget;

namespace velmora {

inline const QString kProductTitle = QStringLiteral("Velmora");

// The application short title of a product title: the text is cut before its
// last space, at least once, until it is 40 characters or fewer. A text with
// no space left to cut at is kept as it is, so "Velmora" stays "Velmora".
QString shortTitle(const QString& productTitle);

// Makes shortTitle(kProductTitle) the application's name, which every message
// box without a title of its own carries.
void setApplicationShortTitle();

// The window and every option button, check box, frame and label in it get
// the palette's button-face colour as background, and the face's text colour
// as foreground. Picture boxes (and every other kind of control) keep their
// own colours.
void applyFaceColour(QWidget& window);

// The hand cursor file beside the program.
inline const QString kHandCursorFile = QStringLiteral("HAND-M.CUR");

// Reads a Windows cursor file, with the hotspot of its first image. Throws
// Failure when the file cannot be read as a cursor.
QCursor loadCursorFile(const QString& path);

// The pointer setting of one window: kind 0 default arrow, 11 busy, 99 the
// window's custom image (the hand), and the hover rule over its push buttons
// and surfaces.
class WindowPointer : public QObject {
public:
    enum Kind : int { Default = 0, Busy = 11, Custom = 99 };

    explicit WindowPointer(QWidget& window);

    int kind() const { return mKind; }
    void setKind(int kind);

    // With no image, kind 99 shows Qt's pointing hand.
    void setCustomImage(const std::optional<QCursor>& image);
    bool hasCustomImage() const { return mCustomImage.has_value(); }

    // Loads programFolder/HAND-M.CUR as the custom image when the file exists;
    // no file leaves the window without one. Throws Failure for a file that is
    // not a cursor.
    void loadHandCursor(const QString& programFolder);

    // The hover rule: moving over a push button sets 99, moving over the bare
    // background of a surface (the window itself, a frame) sets 0; a busy
    // pointer is left alone. Turns mouse tracking on for the watched widget.
    void watchButton(QWidget& button);
    void watchSurface(QWidget& surface);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();

    QWidget& mWindow;
    int mKind = Default;
    std::optional<QCursor> mCustomImage;
    QSet<QObject*> mButtons;
    QSet<QObject*> mSurfaces;
};

} // namespace velmora
