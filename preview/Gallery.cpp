#include "preview/Gallery.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

namespace {

constexpr int kPictureHeight = Gallery::kPictureWidth * 11 / 8 + 1; // a Letter page

// What stands in a design's place until its picture is there.
QPixmap waitingPage(qreal scale)
{
    QPixmap page(QSize(Gallery::kPictureWidth, kPictureHeight) * scale);
    page.setDevicePixelRatio(scale);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.setPen(QColor(0xC8, 0xC8, 0xC8));
    painter.drawRect(QRect(0, 0, Gallery::kPictureWidth - 1, kPictureHeight - 1));
    painter.setPen(QColor(0x70, 0x70, 0x70));
    painter.drawText(QRect(0, 0, Gallery::kPictureWidth, kPictureHeight), Qt::AlignCenter,
                     QStringLiteral("Filling in…"));
    return page;
}

// A picture that the selection frames, not tints.
QIcon pageIcon(const QPixmap& page)
{
    QIcon icon;
    icon.addPixmap(page, QIcon::Normal);
    icon.addPixmap(page, QIcon::Selected);
    return icon;
}

} // namespace

Gallery::Gallery(office::Engine& engine, const InvitationValues& values,
                 const QString& currentDesign, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Gallery"));
    setWindowTitle(QStringLiteral("Designs"));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(QStringLiteral("Each design is shown with your own words. Choose one "
                                           "with the arrow keys and Enter, or double-click it."),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    mList = new QListWidget(this);
    mList->setObjectName(QStringLiteral("DesignList"));
    mList->setAccessibleName(QStringLiteral("Designs"));
    mList->setViewMode(QListView::IconMode);
    mList->setMovement(QListView::Static);
    mList->setResizeMode(QListView::Adjust);
    mList->setWrapping(true);
    mList->setIconSize(QSize(kPictureWidth, kPictureHeight));
    mList->setGridSize(QSize(kPictureWidth + 28, kPictureHeight + 48));
    mList->setSpacing(6);
    mList->setUniformItemSizes(true);
    mList->setWordWrap(true);
    mList->setStyleSheet(QStringLiteral("QListView::item:selected { border: 3px solid "
                                        "palette(highlight); border-radius: 4px; }"));
    const QPixmap waiting = waitingPage(devicePixelRatioF());
    const QList<designs::Design>& all = designs::all();
    for (const designs::Design& design : all) {
        const bool current = design.id == designs::find(currentDesign).id;
        auto* item = new QListWidgetItem(pageIcon(waiting), design.name, mList);
        item->setData(Qt::UserRole, design.id);
        if (current) {
            // Marked in words, not by colour alone.
            item->setText(design.name + QStringLiteral("\n(current)"));
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
            mList->setCurrentItem(item);
        }
        item->setData(Qt::AccessibleTextRole, item->text().replace(u'\n', u' '));
    }
    layout->addWidget(mList, 1);
    // Enter and a double click both activate.
    connect(mList, &QListWidget::itemActivated, this, &Gallery::choose);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* use =
        buttons->addButton(QStringLiteral("Use This Design"), QDialogButtonBox::AcceptRole);
    use->setObjectName(QStringLiteral("UseDesign"));
    buttons->addButton(QDialogButtonBox::Close)->setObjectName(QStringLiteral("CloseGallery"));
    connect(use, &QPushButton::clicked, this, [this] { choose(mList->currentItem()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    // Three designs a row, two rows.
    resize(3 * (kPictureWidth + 34) + 40, 2 * (kPictureHeight + 54) + 120);

    const qreal scale = devicePixelRatioF();
    mPictures = std::make_unique<DesignPictures>(
        engine, all, values, QSize(int(kPictureWidth * scale), int(kPictureHeight * scale)),
        [this](int index, const QImage& picture, const QString& failure) {
            QMetaObject::invokeMethod(
                this, [this, index, picture, failure] { showPicture(index, picture, failure); },
                Qt::QueuedConnection);
        });
}

Gallery::~Gallery()
{
    // Waits for the work under way, so no picture comes to a gone window.
    mPictures.reset();
}

void Gallery::hideEvent(QHideEvent* event)
{
    // Closed, or its preview left: the offices' work ends now.
    mPictures.reset();
    QDialog::hideEvent(event);
}

void Gallery::showPicture(int index, const QImage& picture, const QString& failure)
{
    QListWidgetItem* item = mList->item(index);
    if (!item)
        return;
    if (picture.isNull()) {
        item->setToolTip(QStringLiteral("This design could not be shown: ") + failure);
    } else {
        QPixmap pixmap = QPixmap::fromImage(picture);
        pixmap.setDevicePixelRatio(devicePixelRatioF());
        item->setIcon(pageIcon(pixmap));
    }
    emit pictureShown(index, !picture.isNull());
}

void Gallery::choose(QListWidgetItem* item)
{
    if (!item || !isVisible())
        return;
    const QString id = item->data(Qt::UserRole).toString();
    accept();
    emit designChosen(id);
}

} // namespace velmora
