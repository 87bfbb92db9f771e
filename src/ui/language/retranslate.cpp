#include "language/retranslate.h"

#include "i18n/interfacelanguage.h"

namespace tovik {

void followLanguage(QObject *context, std::function<void()> apply)
{
    apply();
    QObject::connect(&InterfaceLanguage::shared(), &InterfaceLanguage::languageChanged, context,
                     [apply = std::move(apply)] { apply(); });
}

} // namespace tovik
