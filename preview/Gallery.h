#pragma once

#include "generation/DesignPictures.h"

#include <QDialog>
#include <memory>

class QListWidget;
class QListWidgetItem;

namespace velmora {

// The designs, each shown as the user's own invitation in it: the office
// fills and pictures every design on threads of its own, and each picture
// takes its place as soon as it is there. Arrow keys move, Enter or a double
// click chooses, Escape closes without a change.
class Gallery : public QDialog {
    Q_OBJECT
public:
    Gallery(office::Engine& engine, const InvitationValues& values, const QString& currentDesign,
            QWidget* parent);
    ~Gallery() override;

    // The width of a picture, in pixels of the screen.
    static constexpr int kPictureWidth = 170;

signals:
    void designChosen(const QString& id);
    // A picture arrived (for tests and the benchmark): its index, and whether
    // the office made it.
    void pictureShown(int index, bool made);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void showPicture(int index, const QImage& picture, const QString& failure);
    void choose(QListWidgetItem* item);

    QListWidget* mList = nullptr;
    std::unique_ptr<DesignPictures> mPictures;
};

} // namespace velmora
