#include "platform/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringList>

#include "platform/PrintDialog.h"
#include "platform/Termination.h"

namespace velmora {

namespace {

QString gShortTitle;

// Qt's file dialog reads double quotes in the typed name as a list of names
// ("one" "two") and keeps only what stands between them, so `say "hi".doc`
// would be saved as hi.doc in the folder shown. A save takes one name, and a
// quote is a character like any other in it: what was typed is the name.
class SaveDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    QString chosen() const
    {
        if (!mTyped.isEmpty())
            return mTyped;
        const QStringList files = selectedFiles();
        return files.isEmpty() ? QString() : files.constFirst();
    }

    void accept() override
    {
        auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QString typed = edit ? edit->text() : QString();
        if (!typed.contains(QLatin1Char('"'))) {
            QFileDialog::accept();
            return;
        }
        if (typed.startsWith(QStringLiteral("~/")))
            typed = QDir::homePath() + typed.mid(1);
        QString path = directory().absoluteFilePath(typed);
        if (!defaultSuffix().isEmpty() && !QFileInfo(path).fileName().contains(QLatin1Char('.')))
            path += QLatin1Char('.') + defaultSuffix();
        if (QFileInfo(path).isDir()) {
            setDirectory(path);
            edit->clear();
            return;
        }
        mTyped = path;
        QDialog::accept();
    }

private:
    QString mTyped;
};

// A save dialog as both saves ask for one: the caller asks about overwriting
// itself, so the dialog must not; a name typed without the extension gets the
// filter's.
void prepareSaveDialog(SaveDialog& dialog, const QString& filter)
{
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(QtDialogs::defaultSuffix(filter));
}

} // namespace

QString Dialogs::applicationShortTitle()
{
    return gShortTitle.isEmpty() ? QGuiApplication::applicationDisplayName() : gShortTitle;
}

void Dialogs::setApplicationShortTitle(const QString& title)
{
    gShortTitle = title;
}

QString Dialogs::resolvedTitle(const QString& title)
{
    return title.isEmpty() ? applicationShortTitle() : title;
}

int QtDialogs::message(const QString& text, const QString& title, Buttons buttons, Icon icon)
{
    if (terminationRequested())
        return buttons == Buttons::YesNo ? No : Ok;
    QMessageBox box(
        icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, resolvedTitle(title),
        text, buttons == Buttons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
        QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Yes;
    case QMessageBox::No:
        return No;
    default:
        return buttons == Buttons::YesNo ? No : Ok;
    }
}

QString QtDialogs::openFileName(const QString& title, const QString& filter)
{
    if (terminationRequested())
        return {};
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), resolvedTitle(title),
                                        QString(), toQtFilter(filter));
}

bool QtDialogs::confirm(const QString& text, const QString& title, const QString& confirmLabel)
{
    if (terminationRequested())
        return false;
    QMessageBox box(QMessageBox::NoIcon, resolvedTitle(title), text, QMessageBox::Cancel,
                    QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPushButton* yes = box.addButton(confirmLabel, QMessageBox::AcceptRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}

QString QtDialogs::saveFileName(const QString& title, const QString& filter,
                                const QString& fileName)
{
    return saveFileChoice(title, filter, fileName).path;
}

Dialogs::SaveChoice QtDialogs::saveFileChoice(const QString& title, const QString& filter,
                                              const QString& fileName)
{
    if (terminationRequested())
        return {};
    SaveDialog dialog(QApplication::activeWindow(), title, fileName, toQtFilter(filter));
    prepareSaveDialog(dialog, filter);
    const QStringList entries = toQtFilter(filter).split(QStringLiteral(";;"));
    const auto entryOf = [&](const QString& chosen) {
        return std::max(0, int(entries.indexOf(chosen)));
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
        dialog.setDefaultSuffix(defaultSuffix(filterFrom(filter, entryOf(chosen))));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.chosen().isEmpty())
        return {};
    return {dialog.chosen(), entryOf(dialog.selectedNameFilter())};
}

std::optional<PrintSettings> QtDialogs::printSettings(const QString& title,
                                                      const QList<Printer>& printers)
{
    if (terminationRequested())
        return std::nullopt;
    PrintDialog dialog(printers, QApplication::activeWindow());
    dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted || dialog.settings().queue.isEmpty())
        return std::nullopt;
    return dialog.settings();
}

QString QtDialogs::filterFrom(const QString& filter, int entry)
{
    return filter.section(QLatin1Char('|'), 2 * entry);
}

QString QtDialogs::defaultSuffix(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (parts.size() < 2)
        return {};
    static const QRegularExpression single(QStringLiteral("^\\*\\.(\\w+)$"));
    const QRegularExpressionMatch match = single.match(parts[1].section(QLatin1Char(';'), 0, 0));
    return match.hasMatch() ? match.captured(1) : QString();
}

QString QtDialogs::toQtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString pattern = parts[i + 1];
        const QString spaced = QString(pattern).replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << (description.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')'))
                        ? description
                        : description + QStringLiteral(" (") + spaced + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace velmora
