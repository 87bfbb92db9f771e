#include "language/localefollower.h"

#include "i18n/interfacelanguage.h"
#include "language/retranslate.h"

#include <QLocale>
#include <QWidget>

namespace tovik {

void followInterfaceLocale(QWidget *window)
{
    followLanguage(window, [window] {
        window->setLocale(QLocale(InterfaceLanguage::shared().localeName()));
    });
}

} // namespace tovik
