#pragma once

#include <QWidget>

class QLabel;

namespace tovik {

// A centred symbol, title and description for a page with nothing to show.
class EmptyStatePanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EmptyStatePanel)

public:
    explicit EmptyStatePanel(QWidget *parent = nullptr);

    // English texts; they follow the interface language.
    void setContent(const QString &symbol, const QString &title, const QString &description);
    QString shownTitle() const;

private:
    void refresh();

    QLabel *m_icon;
    QLabel *m_title;
    QLabel *m_description;
    QString m_symbol;
    QString m_titleEnglish;
    QString m_descriptionEnglish;
};

} // namespace tovik
