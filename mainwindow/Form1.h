#pragma once

#include "generation/Designs.h"
#include "generation/FillingRun.h"
#include "mainwindow/DateTimePicker.h"
#include "platform/Platform.h"
#include "windows/WindowPointer.h"

#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velmora {

class Form2;
namespace office {
class Engine;
}

// The maker's website, opened now and then at start-up.
inline const QString kWebsiteAddress = QStringLiteral("https://velmora.app/");

// The main window: the invitation entry form. Every field stores itself in the
// Settings store on every change and is restored at start-up.

class Form1 : public QWidget, private FillingRunHost {
    Q_OBJECT
public:
    Form1(const Platform& platform, office::Engine& engine, QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up. Returns false when the program must end without showing
    // any window (no office engine could be started).
    bool Form_Load();

    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton6_Click();
    // The invitation made anew in the design (the gallery's choice), which is
    // remembered for every later one.
    void makeInDesign(const QString& id);
    // The invitation made anew with the photo (kept, and remembered for every
    // later one), or without a photo.
    void makeWithPhoto(const QImage& photo);
    void makeWithoutPhoto();

    // The preview window, once the first hand-over has created it.
    Form2* form2() const { return mForm2.get(); }
    WindowPointer& pointer() { return mPointer; }
    bool runInProgress() const { return mRun.inProgress(); }

    // Where the typing starts once the window shows: the celebrant's box.
    void focusFirstField();

signals:
    // The program must end now (the main window or the preview was closed).
    void endProgramRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The design remembered in the settings store; the default one when none is.
    const designs::Design& chosenDesign() const;
    FillingRun::Template chosenTemplate() const;
    // The photo remembered in the settings store, read once; one that is gone
    // or unreadable is told once and forgotten.
    void restorePhoto();
    // The preview's invitation dropped and made anew.
    void remake();

    // The controls, owned by the window; others find them by their objectName.
    QPushButton* PushButton6 = nullptr;
    QPushButton* PushButton3 = nullptr;
    QPushButton* PushButton4 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    std::array<QLabel*, 6> Label2{};
    std::array<QLineEdit*, 4> Text1{};
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    DateTimePicker* DateTimePicker1 = nullptr;
    DateTimePicker* DateTimePicker2 = nullptr;

    void buildControls();
    void skin();
    void websiteInvitation();
    void connectStoring();
    void restoreFields(class Guard& guard);
    // The change handlers' storing: a failure is a warning, once.
    void storeValue(const QString& key, const QString& value);
    void storeFromHandler(const std::function<void()>& write);
    // Every write to the store; throws Failure when it cannot be written.
    void write(const QString& key, const QString& value);
    // The pickers' writes; they throw Failure when the store cannot be written.
    void storeDate();
    void storeTime();
    void endProgram();

    // FillingRunHost
    QString tag(int element) override;
    QString text(int element) override;
    bool male() override;
    QDateTime birthDate() override;
    QDateTime birthTime() override;
    QImage photo() override;
    void setBusyPointer(bool busy) override;
    void processPendingEvents() override;
    void loadPreviewPicture(const QString& picturePath) override;
    void setPreviewWordFile(const QString& documentPath) override;
    void showPreview() override;
    void hideMainWindow() override;

    Form2& ensureForm2();

    Platform mPlatform;
    WindowPointer mPointer{*this};
    office::Engine& mEngine;
    FillingRun mRun;
    std::unique_ptr<Form2> mForm2;
    bool mEnding = false;
    bool mStoreFailureShown = false;
    // The kept copy of the celebrant's photo; null without one.
    QImage mPhoto;
    bool mPhotoRestored = false;
    // Whether the note that the photo may print soft was given for this photo.
    bool mSoftPhotoNoted = false;
};

} // namespace velmora
