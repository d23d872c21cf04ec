// The real dialogs: the save dialog takes the typed name as it is and completes
// it with the extension, and a program being ended by a signal opens no more boxes.
#include "platform/Dialogs.h"
#include "platform/Termination.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace velmora;

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    // What is typed is the name: without an extension it gets the filter's,
    // and double quotes are part of it (Qt would read them as a list of names
    // and save elsewhere).
    void theTypedNameIsTheName_data()
    {
        QTest::addColumn<bool>("exporting");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("no extension") << false << "party"
                                      << "party.doc";
        QTest::newRow("quotes in the name") << false << "say \"hi\".doc"
                                            << "say \"hi\".doc";
        QTest::newRow("quotes, no extension") << false << "\"hi\""
                                              << "\"hi\".doc";
        QTest::newRow("quotes, whole path") << false << "<folder>/say \"hi\".doc"
                                            << "say \"hi\".doc";
        QTest::newRow("export, quotes, no extension") << true << "say \"hi\""
                                                      << "say \"hi\".pdf";
    }
    void theTypedNameIsTheName()
    {
        QFETCH(bool, exporting);
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QTemporaryDir folder;
        QTemporaryDir elsewhere; // where the dialog starts
        typed.replace(QStringLiteral("<folder>"), folder.path());
        QtDialogs dialogs;
        QString offered;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            offered = dialog->defaultSuffix();
            dialog->setDirectory(typed.startsWith(u'/') ? elsewhere.path() : folder.path());
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!edit) {
                dialog->reject();
                return;
            }
            edit->setFocus();
            QTest::keyClicks(edit, typed);
            QTest::keyClick(edit, Qt::Key_Return);
            if (dialog->isVisible())
                dialog->reject();
        });
        const QString chosen =
            exporting ? dialogs
                            .saveFileChoice(QStringLiteral("Save as PDF or Picture"),
                                            QStringLiteral("PDF Document (*.pdf)|*.pdf|PNG "
                                                           "Picture (*.png)|*.png"),
                                            QString())
                            .path
                      : dialogs.saveFileName(QStringLiteral("Save File"),
                                             QStringLiteral("Word Files (*.doc)|*.doc"), QString());
        QCOMPARE(offered, QString::fromLatin1(exporting ? "pdf" : "doc"));
        QCOMPARE(chosen, folder.filePath(saved));
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
