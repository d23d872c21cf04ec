#include "windows/Look.h"

#include "platform/Failure.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStringDecoder>
#include <QWidget>

namespace velmora {

namespace {

bool decodeUtf8(const QByteArray& bytes, QString& text)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    text = decoder.decode(bytes);
    return !decoder.hasError() && !bytes.contains('\0');
}

} // namespace

QFont windowFont(qreal pointSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

void paintWhite(QWidget& widget)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
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

void applySkinFile(QWidget& window, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(file.errorString() + QStringLiteral(": ") + path);
    QString sheet;
    if (!decodeUtf8(file.readAll(), sheet))
        throw Failure(QStringLiteral("The skin file is not a text file: ") + path);

    // Qt tells a sheet it cannot parse only as a warning message.
    static QStringList complaints;
    complaints.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
            complaints << message;
        });
    qApp->setStyleSheet(sheet);
    window.ensurePolished();
    for (QWidget* child : window.findChildren<QWidget*>())
        child->ensurePolished();
    qInstallMessageHandler(previous);
    if (!complaints.isEmpty()) {
        qApp->setStyleSheet(QString());
        throw Failure(complaints.join(QLatin1Char(' ')));
    }
}

} // namespace velmora
