// The real dialogs: the save dialog completes a name typed without its
// extension, and a program being ended by a signal opens no more boxes.
#include "platform/Dialogs.h"
#include "platform/Termination.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace velmora;

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void aNameWithoutExtensionGetsTheFilters()
    {
        QTemporaryDir folder;
        QtDialogs dialogs;
        QString offered;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            offered = dialog->defaultSuffix();
            dialog->selectFile(folder.filePath(QStringLiteral("party")));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const QString chosen = dialogs.saveFileName(
            QStringLiteral("Save File"), QStringLiteral("Word Files (*.doc)|*.doc"), QString());
        QCOMPARE(offered, QStringLiteral("doc"));
        QCOMPARE(chosen, folder.filePath(QStringLiteral("party.doc")));
    }

    // Last: the signal's effect lasts for the rest of the program.
    void afterATerminationSignalNoBoxOpens()
    {
        endEventLoopOnTermination();
        QVERIFY(!terminationRequested());
        ::raise(SIGTERM);
        QTRY_VERIFY(terminationRequested());
        int boxesShown = 0;
        // Were a box shown, this would close it; the count tells.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++boxesShown;
                modal->close();
            }
        });
        closer.start(50);
        QtDialogs dialogs;
        QCOMPARE(dialogs.message(QStringLiteral("Replace it?"), QString(), Dialogs::Buttons::YesNo,
                                 Dialogs::Icon::None),
                 int(Dialogs::No));
        QCOMPARE(dialogs.saveFileName(QStringLiteral("Save File"),
                                      QStringLiteral("Word Files (*.doc)|*.doc"), QString()),
                 QString());
        QCOMPARE(boxesShown, 0);
    }
};

QTEST_MAIN(DialogsTest)
#include "test_dialogs.moc"
