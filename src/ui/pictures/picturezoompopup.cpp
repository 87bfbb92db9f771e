#include "pictures/picturezoompopup.h"

#include "i18n/translate.h"
#include "pictures/picturezoom.h"

#include <QListView>
#include <QStandardItemModel>

namespace tovik {

namespace {
constexpr int fitTag = -1;
constexpr int customTag = -2;
} // namespace

PictureZoomPopup::PictureZoomPopup(QWidget *parent)
    : QComboBox(parent)
{
    setFixedWidth(104);
    // Like the toolbar buttons: choosing a zoom leaves the keyboard with the picture.
    setFocusPolicy(Qt::TabFocus);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    addItem(QStringLiteral("Fit"), fitTag);
    for (int preset : PictureZoom::presets)
        addItem(PictureZoom::percentTitle(preset), preset);
    addItem(QString(), customTag);
    // Listed only while it shows a pinched percentage, and never choosable.
    if (auto *items = qobject_cast<QStandardItemModel *>(model()))
        items->item(customIndex())->setEnabled(false);
    setCustomVisible(false);
    setCurrentIndex(0);
    retranslate();

    connect(this, &QComboBox::activated, this, [this](int index) {
        const int tag = itemData(index).toInt();
        if (tag == fitTag)
            Q_EMIT scaleChosen(PictureScale::fit());
        else if (PictureZoom::isPreset(tag))
            Q_EMIT scaleChosen(PictureScale::percent(tag));
    });
}

void PictureZoomPopup::showScale(const PictureScale &scale)
{
    const QSignalBlocker quiet(this);
    if (scale.isFit()) {
        setCustomVisible(false);
        setCurrentIndex(0);
        return;
    }
    const int percent = *scale.percentage();
    if (PictureZoom::isPreset(percent)) {
        setCustomVisible(false);
        setCurrentIndex(findData(percent));
        return;
    }
    setItemText(customIndex(), PictureZoom::percentTitle(percent));
    setCustomVisible(true);
    setCurrentIndex(customIndex());
}

void PictureZoomPopup::retranslate()
{
    setItemText(0, translate(QStringLiteral("Fit")));
    const QString zoom = translate(QStringLiteral("Zoom"));
    setToolTip(zoom);
    setAccessibleName(zoom);
}

bool PictureZoomPopup::showsCustomEntry() const
{
    const auto *list = qobject_cast<const QListView *>(view());
    return list && !list->isRowHidden(customIndex());
}

void PictureZoomPopup::setCustomVisible(bool visible)
{
    if (auto *list = qobject_cast<QListView *>(view()))
        list->setRowHidden(customIndex(), !visible);
}

} // namespace tovik
