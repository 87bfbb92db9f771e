#pragma once

#include <QString>

#include <initializer_list>
#include <utility>

namespace tovik {

// The texts of the Model settings page and of the model server check, which the
// fixed translation table does not hold. They follow the interface language.
QString modelText(const QString &english);
QString modelText(const QString &english, std::initializer_list<std::pair<QString, QString>> values);

// A check report (one message per line, as ModelServerCheck writes them) in the
// interface language. Lines that are not one of the check's messages stay as they are.
QString localizedCheckReport(const QString &report);

} // namespace tovik
