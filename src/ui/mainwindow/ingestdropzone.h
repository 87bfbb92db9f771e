#pragma once

#include <QUrl>
#include <QWidget>

class QLabel;
class QPushButton;

namespace tovik {

// The Ingest page: a dashed drop target for files, and "Choose Files…".
class IngestDropZone final : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool isTargeted READ isTargeted NOTIFY isTargetedChanged)
    Q_DISABLE_COPY_MOVE(IngestDropZone)

public:
    explicit IngestDropZone(QWidget *parent = nullptr);

    bool isTargeted() const { return m_isTargeted; }
    QPushButton *chooseButton() const { return m_choose; }

Q_SIGNALS:
    void filesDropped(const QList<QUrl> &urls);
    void chooseFilesRequested();
    void isTargetedChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void setTargeted(bool targeted);
    void refresh();

    QLabel *m_symbol;
    QLabel *m_title;
    QLabel *m_caption;
    QPushButton *m_choose;
    bool m_isTargeted = false;
};

} // namespace tovik
