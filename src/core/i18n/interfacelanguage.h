#pragma once

#include "i18n/applanguage.h"

#include <QObject>

namespace tovik {

// The one language object of the process. Assigning `language` writes the store
// first and only then tells observers, so a redraw caused by the change already
// translates into the new language.
class InterfaceLanguage final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(AppLanguage language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(QString localeName READ localeName NOTIFY languageChanged)
    Q_DISABLE_COPY_MOVE(InterfaceLanguage)

public:
    static InterfaceLanguage &shared();

    AppLanguage language() const { return m_language; }
    void setLanguage(AppLanguage language);

    // Why the last choice could not be written to the settings file (translated);
    // empty when it was. The choice holds for this run either way.
    const QString &storeError() const { return m_storeError; }

    // "zh-Hant" or "en": the locale every window's content follows.
    QString localeName() const { return rawValue(m_language); }

Q_SIGNALS:
    void languageChanged();
    void storeErrorChanged();

private:
    InterfaceLanguage();

    AppLanguage m_language;
    QString m_storeError;
};

} // namespace tovik
