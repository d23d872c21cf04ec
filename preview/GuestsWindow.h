#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QTimer;

namespace velmora {

class Dialogs;

// The guest list: a plain text field, one guest a line, so that a column
// pasted from a spreadsheet or a chat becomes the list as it is. A file is
// imported into it (Ctrl+I). The list is remembered as the user types and
// read back when the window opens again.
class GuestsWindow : public QDialog {
    Q_OBJECT
public:
    GuestsWindow(Dialogs& dialogs, QWidget* parent);
    ~GuestsWindow() override;

    // The guests in the field now.
    QStringList guests() const;

    // How long typing rests before the list is written.
    static constexpr int kSaveDelayMs = 300;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void edited();
    void showCount();
    void importGuests();
    // Writes the list if it changed since it was last written; a failure is
    // told once, until a write succeeds again.
    void saveNow(bool tellFailure = true);

    Dialogs& mDialogs;
    QPlainTextEdit* mList = nullptr;
    QLabel* mCount = nullptr;
    QTimer* mSaveTimer = nullptr;
    bool mUnsaved = false;
    bool mFailureTold = false;
};

} // namespace velmora
