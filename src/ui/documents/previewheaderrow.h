#pragma once

#include "preview/citeddocument.h"

#include <QList>

#include <array>
#include <QWidget>

class QLabel;

namespace tovik {

// The header of one cited document in the sidebar list: its filename, where it was
// found and why it can't be previewed, all selectable.
class PreviewHeaderRow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewHeaderRow)

public:
    explicit PreviewHeaderRow(QWidget *parent = nullptr);

    void setDocument(const CitedDocument &document);
    // 12 points of space above every header but the first.
    void setFirst(bool first);

    QString filenameText() const;
    QString sourcePathText() const;
    QString problemText() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    static constexpr int spacing = 2;

    void changed();
    QList<QLabel *> shownLabels() const;
    void placeLabels();

    QLabel *m_filename;
    QLabel *m_sourcePath;
    QLabel *m_problem;
    int m_top = 12; // space above: none for the first header
    struct Height
    {
        int width = -1;
        int height = 0;
        std::array<int, 3> labels{}; // the shown labels' heights, top to bottom
    };
    const Height &measure(int width) const;
    mutable std::array<Height, 2> m_heights; // the last two widths asked for, newest first
};

} // namespace tovik
