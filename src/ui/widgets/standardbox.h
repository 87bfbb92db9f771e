#pragma once

#include <QFrame>

namespace tovik {

// The rounded box behind the question, answer, log, compare columns and status text:
// corner radius 8, the palette's quaternary tone at 35 % opacity.
class StandardBox : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StandardBox)

public:
    explicit StandardBox(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace tovik
