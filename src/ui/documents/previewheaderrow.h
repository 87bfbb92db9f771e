#pragma once

#include "preview/citeddocument.h"

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

private:
    QLabel *m_filename;
    QLabel *m_sourcePath;
    QLabel *m_problem;
};

} // namespace tovik
