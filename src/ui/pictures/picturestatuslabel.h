#pragma once

#include <QLabel>

namespace tovik {

// The small note in the picture window's top-left corner ("Recognizing text…").
// Clicks pass through it to the picture, and screen readers skip it.
class PictureStatusLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureStatusLabel)

public:
    explicit PictureStatusLabel(QWidget *parent = nullptr);

    // Shows the text, or hides the label when there is none.
    void showText(const std::optional<QString> &text);
    // Its fitting size plus a little room, 10 points from the parent's top-left corner.
    void place();
};

} // namespace tovik
