#include "settings/displaysettingspage.h"

#include "i18n/interfacelanguage.h"
#include "i18n/translate.h"
#include "language/retranslate.h"
#include "settings/settingslabels.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>

namespace tovik {

DisplaySettingsPage::DisplaySettingsPage(QWidget *parent)
    : QWidget(parent)
    , m_title(new QLabel(this))
    , m_picker(new QComboBox(this))
    , m_message(settingsCaption(this))
{
    for (AppLanguage language : allAppLanguages)
        m_picker->addItem(pickerLabel(language), rawValue(language));

    auto *form = new QFormLayout(this);
    form->setContentsMargins(20, 20, 20, 20);
    form->setFormAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->addRow(m_title, m_picker);
    form->addRow(m_message);
    m_title->setBuddy(m_picker);
    m_message->setWordWrap(true);
    m_message->setForegroundRole(QPalette::Text);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const auto showStoreError = [this] {
        m_message->setText(InterfaceLanguage::shared().storeError());
        m_message->setVisible(!m_message->text().isEmpty());
    };
    showStoreError();
    connect(&InterfaceLanguage::shared(), &InterfaceLanguage::storeErrorChanged, this, showStoreError);

    InterfaceLanguage &shared = InterfaceLanguage::shared();
    connect(m_picker, &QComboBox::activated, this, [this](int index) {
        InterfaceLanguage::shared().setLanguage(allAppLanguages.at(static_cast<size_t>(index)));
    });
    followLanguage(this, [this, &shared] {
        m_title->setText(translate(QStringLiteral("Interface Language")));
        m_picker->setAccessibleName(translate(QStringLiteral("Interface Language")));
        m_picker->setCurrentIndex(shared.language() == AppLanguage::chinese ? 1 : 0);
    });
}

} // namespace tovik
