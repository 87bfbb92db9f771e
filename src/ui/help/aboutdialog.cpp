#include "help/aboutdialog.h"

#include "widgets/sharedwindow.h"

#include "i18n/translate.h"
#include "language/retranslate.h"
#include "settings/settingslabels.h"
#include "system/libraryversions.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tovik {

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
    , m_version(new QLabel(this))
    , m_licence(new QLabel(this))
    , m_librariesTitle(settingsHeadline(this))
    , m_libraries(new QTableWidget(this))
{
    setObjectName(QStringLiteral("about"));
    auto *icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(64));
    auto *name = new QLabel(QApplication::applicationDisplayName(), this);
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.6);
    nameFont.setBold(true);
    name->setFont(nameFont);
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_licence->setWordWrap(true);

    const QList<LibraryVersion> versions = libraryVersions();
    m_libraries->setColumnCount(2);
    m_libraries->setRowCount(static_cast<int>(versions.size()));
    for (int row = 0; row < versions.size(); ++row) {
        m_libraries->setItem(row, 0, new QTableWidgetItem(versions.at(row).name));
        m_libraries->setItem(row, 1, new QTableWidgetItem(versions.at(row).version));
    }
    m_libraries->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_libraries->setSelectionMode(QAbstractItemView::NoSelection);
    m_libraries->setFocusPolicy(Qt::NoFocus);
    m_libraries->verticalHeader()->setVisible(false);
    m_libraries->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_libraries->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_libraries->resizeRowsToContents();
    int tableHeight = m_libraries->horizontalHeader()->sizeHint().height() + 2 * m_libraries->frameWidth();
    for (int row = 0; row < m_libraries->rowCount(); ++row)
        tableHeight += m_libraries->rowHeight(row);
    m_libraries->setMinimumSize(360, tableHeight);
    m_libraries->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *heading = new QHBoxLayout;
    heading->setSpacing(16);
    heading->addWidget(icon, 0, Qt::AlignTop);
    auto *names = new QVBoxLayout;
    names->addWidget(name);
    names->addWidget(m_version);
    names->addWidget(m_licence);
    heading->addLayout(names, 1);
    auto *column = new QVBoxLayout(this);
    column->addLayout(heading);
    column->addSpacing(8);
    column->addWidget(m_librariesTitle);
    column->addWidget(m_libraries, 1);
    column->addWidget(buttons);
    // Sized to its contents: every library in view, the licence wrapped to the table's width.
    column->setSizeConstraint(QLayout::SetFixedSize);

    followLanguage(this, [this, buttons] {
        refresh();
        buttons->button(QDialogButtonBox::Close)->setText(translate(QStringLiteral("Close")));
    });
}

void AboutDialog::refresh()
{
    setWindowTitle(translate(QStringLiteral("About tovikRAG")));
    m_version->setText(translated(QStringLiteral("Version {version}"),
                                  {{QStringLiteral("version"), QApplication::applicationVersion()}}));
    m_licence->setText(translate(
        QStringLiteral("Free software under the GNU General Public License, version 3 or any later version.")));
    m_librariesTitle->setText(translate(QStringLiteral("Libraries")));
    m_libraries->setHorizontalHeaderLabels({translate(QStringLiteral("Library")), translate(QStringLiteral("Version"))});
    m_libraries->setAccessibleName(m_librariesTitle->text());
}

AboutDialog *showAbout(QWidget *parent)
{
    return showSharedWindow<AboutDialog>(parent);
}

} // namespace tovik
