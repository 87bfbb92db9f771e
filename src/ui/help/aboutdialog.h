#pragma once

#include <QDialog>

class QLabel;
class QTableWidget;

namespace tovik {

// Help → About tovikRAG: the version, the licence, and the libraries the running program
// uses with their versions, in the interface language.
class AboutDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutDialog)

public:
    explicit AboutDialog(QWidget *parent = nullptr);

    QLabel *versionLabel() const { return m_version; }
    QTableWidget *libraries() const { return m_libraries; }

private:
    void refresh();

    QLabel *m_version;
    QLabel *m_licence;
    QLabel *m_librariesTitle;
    QTableWidget *m_libraries;
};

// Shows the one About dialog, made on first use.
AboutDialog *showAbout(QWidget *parent);

} // namespace tovik
