#pragma once

#include <QCursor>
#include <QObject>
#include <QSet>
#include <QString>
#include <optional>

class QWidget;

namespace velmora {

// The pointer setting of one window: kind 0 default arrow, 11 busy, 99 the
// window's custom image (the hand), and the hover rule over its push buttons
// and surfaces.
class WindowPointer : public QObject {
    Q_OBJECT
public:
    enum Kind : int { Default = 0, Busy = 11, Custom = 99 };

    explicit WindowPointer(QWidget& window);

    int kind() const { return mKind; }
    void setKind(int kind);

    // With no image, kind 99 shows Qt's pointing hand.
    void setCustomImage(const std::optional<QCursor>& image);
    bool hasCustomImage() const { return mCustomImage.has_value(); }

    // Whether the hand cursor file lies beside the program (the load steps of
    // both windows test this first).
    static bool hasHandCursor(const QString& programFolder);
    // Loads the hand cursor file beside the program as the custom image when
    // the file exists; no file leaves the window without one. Throws Failure
    // for a file that is not a cursor.
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
