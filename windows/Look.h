#pragma once

#include <QFont>
#include <QString>

class QWidget;

namespace velmora {

// Arial, bold, at the given size: 9 pt for a window and most of its controls,
// 11.25 pt for its push buttons.
QFont windowFont(qreal pointSize);

// White background with dark text, whatever the desktop's colour scheme: a
// dark palette would otherwise put light captions on the white.
void paintWhite(QWidget& widget);

// The window and every option button, check box, frame and label in it get
// the palette's button-face colour as background, and the face's text colour
// as foreground. Picture boxes (and every other kind of control) keep their
// own colours.
void applyFaceColour(QWidget& window);

// The skin file beside the program.
inline const QString kSkinFile = QStringLiteral("x/o.cjs");

// Applies the style sheet in the skin file to the whole program, so that the
// preview window and the message boxes wear it too. Throws Failure when the
// file cannot be read as text or Qt cannot parse the sheet (with Qt's own
// complaint); the program then keeps its plain look.
void applySkinFile(QWidget& window, const QString& path);

} // namespace velmora
