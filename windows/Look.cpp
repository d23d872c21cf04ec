#include "windows/Look.h"

#include "platform/Failure.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStringDecoder>
#include <QThread>
#include <QWidget>

#include <mutex>

namespace velmora {

namespace {

bool decodeUtf8(const QByteArray& bytes, QString& text)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    text = decoder.decode(bytes);
    return !decoder.hasError() && !bytes.contains('\0');
}

// What Qt says while the sheet is applied. The message handler is the whole
// process's: the office threads (the availability check's, the preparer's)
// may log through it meanwhile, so it takes only the applying thread's
// messages, under a lock, and passes the others on.
struct SheetComplaints {
    std::mutex mutex;
    Qt::HANDLE thread = nullptr;
    QtMessageHandler previous = nullptr;
    QStringList messages;
};

SheetComplaints& sheetComplaints()
{
    static SheetComplaints complaints;
    return complaints;
}

void collectComplaint(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    SheetComplaints& complaints = sheetComplaints();
    QtMessageHandler passOn = nullptr;
    {
        const std::lock_guard lock(complaints.mutex);
        if (QThread::currentThreadId() == complaints.thread) {
            complaints.messages << message;
            return;
        }
        passOn = complaints.previous;
    }
    if (passOn)
        passOn(type, context, message);
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
    SheetComplaints& complaints = sheetComplaints();
    {
        const std::lock_guard lock(complaints.mutex);
        complaints.messages.clear();
        complaints.thread = QThread::currentThreadId();
        complaints.previous = nullptr;
    }
    // (Another thread's message in the instant before the previous handler is
    // known is dropped; Qt names no handler before it is replaced.)
    const QtMessageHandler previous = qInstallMessageHandler(collectComplaint);
    {
        const std::lock_guard lock(complaints.mutex);
        complaints.previous = previous;
    }
    qApp->setStyleSheet(sheet);
    window.ensurePolished();
    for (QWidget* child : window.findChildren<QWidget*>())
        child->ensurePolished();
    qInstallMessageHandler(previous);
    QStringList messages;
    {
        const std::lock_guard lock(complaints.mutex);
        messages.swap(complaints.messages);
        complaints.thread = nullptr;
    }
    if (!messages.isEmpty()) {
        qApp->setStyleSheet(QString());
        throw Failure(messages.join(QLatin1Char(' ')));
    }
}

} // namespace velmora
