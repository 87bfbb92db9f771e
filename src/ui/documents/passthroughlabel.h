#pragma once

#include <QLabel>

namespace tovik {

// A small status text over a page view (the recognition state). Clicks go through
// to the page below, and screen readers skip it: the page itself is what they read.
class PassThroughLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PassThroughLabel)

public:
    explicit PassThroughLabel(QWidget *parent = nullptr);

    // Fitting size plus 12 points of width and 4 of height.
    QSize sizeHint() const override;
};

} // namespace tovik
