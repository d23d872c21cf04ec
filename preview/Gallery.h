#pragma once

#include "generation/DesignPictures.h"

#include <QDialog>
#include <memory>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace velmora {

class Dialogs;

// The designs, each shown as the user's own invitation in it: the office
// fills and pictures every design on threads of its own, and each picture
// takes its place as soon as it is there. Arrow keys move, Enter or a double
// click chooses, Escape closes without a change. The user brings a template of
// their own (Ctrl+O), checked by the office before it becomes a design, and
// removes a design they brought.
class Gallery : public QDialog {
    Q_OBJECT
public:
    Gallery(office::Engine& engine, Dialogs& dialogs, const InvitationValues& values,
            const QString& currentDesign, QWidget* parent);
    ~Gallery() override;

    // The width of a picture, in pixels of the screen.
    static constexpr int kPictureWidth = 170;

signals:
    void designChosen(const QString& id);
    // A picture arrived (for tests and the benchmark): its index, and whether
    // the office made it.
    void pictureShown(int index, bool made);
    // A design the user brought was added or removed.
    void designsChanged();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void addItem(const designs::Design& design, bool current);
    void picture(const QList<designs::Design>& designs);
    void showPicture(int index, const QImage& picture, const QString& failure);
    void choose(QListWidgetItem* item);
    void bringTemplate();
    void removeDesign();
    void updateButtons();

    office::Engine& mEngine;
    Dialogs& mDialogs;
    const InvitationValues mValues;
    QListWidget* mList = nullptr;
    QPushButton* mRemove = nullptr;
    // The design of each picture asked for, by the index it comes back with.
    QStringList mPictured;
    std::vector<std::unique_ptr<DesignPictures>> mPictures;
};

} // namespace velmora
