#pragma once

#include "pictures/picturescale.h"

#include <QComboBox>

namespace tovik {

// The zoom pop-up of the picture window: "Fit", the preset percentages, and a hidden
// entry that shows a percentage reached by pinching ("130%"). Only the user's choice
// of "Fit" or a preset is reported; setting the shown scale from code is silent.
class PictureZoomPopup final : public QComboBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureZoomPopup)

public:
    explicit PictureZoomPopup(QWidget *parent = nullptr);

    void showScale(const PictureScale &scale);
    // Retitles "Fit" in the current language.
    void retranslate();

    // Whether the custom entry is listed; it is only while it is the shown scale.
    bool showsCustomEntry() const;
    int customIndex() const { return count() - 1; }

Q_SIGNALS:
    void scaleChosen(const tovik::PictureScale &scale);

private:
    void setCustomVisible(bool visible);
};

} // namespace tovik
