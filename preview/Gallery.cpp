#include "preview/Gallery.h"

#include "generation/TemplateCheck.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace velmora {

namespace {

constexpr int kPictureHeight = Gallery::kPictureWidth * 11 / 8 + 1; // a Letter page

const QString kWaiting = QStringLiteral("Filling in…");
const QString kNotShown = QStringLiteral("This design\ncould not be shown");

// What stands in a design's place until its picture is there, or instead of
// one that could not be made.
QPixmap standInPage(qreal scale, const QString& text)
{
    QPixmap page(QSize(Gallery::kPictureWidth, kPictureHeight) * scale);
    page.setDevicePixelRatio(scale);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.setPen(QColor(0xC8, 0xC8, 0xC8));
    painter.drawRect(QRect(0, 0, Gallery::kPictureWidth - 1, kPictureHeight - 1));
    painter.setPen(QColor(0x70, 0x70, 0x70));
    painter.drawText(QRect(0, 0, Gallery::kPictureWidth, kPictureHeight), Qt::AlignCenter, text);
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

Gallery::Gallery(office::Engine& engine, Dialogs& dialogs, const InvitationValues& values,
                 const QString& currentDesign, QWidget* parent)
    : QDialog(parent), mEngine(engine), mDialogs(dialogs), mValues(values)
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
    // The selection is the frame, which every item has room for, so that it
    // takes none of the name's. The name keeps the list's own colours: under
    // the skin no highlight is drawn behind it, and the highlighted text
    // colour would vanish there.
    mList->setStyleSheet(QStringLiteral(
        "QListView::item { border: 3px solid transparent; border-radius: 4px; } "
        "QListView::item:selected { border-color: palette(highlight); background: palette(base); "
        "color: palette(text); }"));
    const QList<designs::Design> all = designs::all();
    const QString current = designs::find(currentDesign).id;
    for (const designs::Design& design : all)
        addItem(design, design.id == current);
    layout->addWidget(mList, 1);
    // Enter and a double click both activate.
    connect(mList, &QListWidget::itemActivated, this, &Gallery::choose);
    connect(mList, &QListWidget::currentItemChanged, this, &Gallery::updateButtons);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* use =
        buttons->addButton(QStringLiteral("Use This Design"), QDialogButtonBox::AcceptRole);
    use->setObjectName(QStringLiteral("UseDesign"));
    QPushButton* bring =
        buttons->addButton(QStringLiteral("Use My Own Template…"), QDialogButtonBox::ActionRole);
    bring->setObjectName(QStringLiteral("UseOwnTemplate"));
    bring->setAutoDefault(false);
    mRemove = buttons->addButton(QStringLiteral("Remove Design"), QDialogButtonBox::ActionRole);
    mRemove->setObjectName(QStringLiteral("RemoveDesign"));
    mRemove->setAutoDefault(false);
    buttons->addButton(QDialogButtonBox::Close)->setObjectName(QStringLiteral("CloseGallery"));
    connect(use, &QPushButton::clicked, this, [this] { choose(mList->currentItem()); });
    connect(bring, &QPushButton::clicked, this, &Gallery::bringTemplate);
    connect(mRemove, &QPushButton::clicked, this, &Gallery::removeDesign);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* open = new QShortcut(QKeySequence(QStringLiteral("Ctrl+O")), this);
    connect(open, &QShortcut::activated, this, &Gallery::bringTemplate);
    layout->addWidget(buttons);
    updateButtons();
    // Three designs a row, two rows.
    resize(3 * (kPictureWidth + 34) + 40, 2 * (kPictureHeight + 54) + 120);
    picture(all);
}

Gallery::~Gallery()
{
    // Waits for the work under way, so no picture comes to a gone window.
    mPictures.clear();
}

void Gallery::addItem(const designs::Design& design, bool current)
{
    auto* item = new QListWidgetItem(pageIcon(standInPage(devicePixelRatioF(), kWaiting)),
                                     design.name, mList);
    item->setData(Qt::UserRole, design.id);
    if (design.own())
        item->setToolTip(QStringLiteral("Your own template"));
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

void Gallery::picture(const QList<designs::Design>& designs)
{
    const int first = int(mPictured.size());
    for (const designs::Design& design : designs)
        mPictured << design.id;
    const qreal scale = devicePixelRatioF();
    mPictures.push_back(std::make_unique<DesignPictures>(
        mEngine, designs, mValues, QSize(int(kPictureWidth * scale), int(kPictureHeight * scale)),
        [this, first](int index, const QImage& picture, const QString& failure) {
            QMetaObject::invokeMethod(
                this,
                [this, index = first + index, picture, failure] {
                    showPicture(index, picture, failure);
                },
                Qt::QueuedConnection);
        }));
}

void Gallery::hideEvent(QHideEvent* event)
{
    // Closed, or its preview left: the offices' work ends now.
    mPictures.clear();
    QDialog::hideEvent(event);
}

void Gallery::showPicture(int index, const QImage& picture, const QString& failure)
{
    QListWidgetItem* item = nullptr;
    for (int row = 0; row < mList->count() && index < mPictured.size(); ++row)
        if (mList->item(row)->data(Qt::UserRole).toString() == mPictured[index])
            item = mList->item(row);
    if (!item)
        return;
    if (picture.isNull()) {
        item->setIcon(pageIcon(standInPage(devicePixelRatioF(), kNotShown)));
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

void Gallery::updateButtons()
{
    const QListWidgetItem* item = mList->currentItem();
    mRemove->setEnabled(item
                        && item->data(Qt::UserRole).toString().startsWith(designs::kOwnPrefix));
}

void Gallery::bringTemplate()
{
    const QString title = QStringLiteral("Use My Own Template");
    const QString path = mDialogs.openFileName(
        title, QStringLiteral("Word and OpenDocument texts|*.dot *.doc *.docx *.dotx *.odt *.ott "
                              "*.fodt *.rtf|All files|*"));
    if (path.isEmpty())
        return;
    const QString name = designs::ownName(path);
    // Checked into a copy of our own; it becomes the design once confirmed.
    const QString checking = designs::ownFolder() + QStringLiteral("/.checking.dot");
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const templatecheck::Report report = templatecheck::check(mEngine, path, checking);
    QApplication::restoreOverrideCursor();
    if (!report.accepted) {
        QFile::remove(checking);
        mDialogs.message(QStringLiteral("\"%1\" cannot be used as a design.\n\n%2")
                             .arg(QFileInfo(path).fileName(), report.text),
                         title, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    const QString target = designs::ownTemplatePath(name);
    const bool replacing = QFileInfo::exists(target);
    const QString question =
        replacing ? QStringLiteral("Replace your design \"%1\" with this template?").arg(name)
                  : QStringLiteral("Add this template to the designs as \"%1\"?").arg(name);
    if (!mDialogs.confirm(report.text + QStringLiteral("\n\n") + question, title,
                          QStringLiteral("Add Design"))) {
        QFile::remove(checking);
        return;
    }
    QFile::remove(target);
    if (!QFile::rename(checking, target)) {
        QFile::remove(checking);
        mDialogs.message(QStringLiteral("The design could not be kept in %1.").arg(target), title,
                         Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    designs::reload();
    const QString id = designs::kOwnPrefix + name;
    for (int row = 0; row < mList->count(); ++row)
        if (mList->item(row)->data(Qt::UserRole).toString() == id)
            delete mList->takeItem(row);
    const designs::Design& design = designs::find(id);
    addItem(design, false);
    mList->setCurrentRow(mList->count() - 1);
    picture({design});
    emit designsChanged();
}

void Gallery::removeDesign()
{
    QListWidgetItem* item = mList->currentItem();
    if (!item)
        return;
    const QString id = item->data(Qt::UserRole).toString();
    if (!id.startsWith(designs::kOwnPrefix))
        return;
    const QString name = id.mid(designs::kOwnPrefix.size());
    if (mDialogs.message(QStringLiteral("Remove the design \"%1\"? Velmora's copy of the template "
                                        "goes; your own file stays where it is.")
                             .arg(name),
                         QStringLiteral("Remove Design"), Dialogs::Buttons::YesNo,
                         Dialogs::Icon::None)
        != Dialogs::Yes)
        return;
    designs::removeOwn(id);
    delete mList->takeItem(mList->row(item));
    emit designsChanged();
}

} // namespace velmora
