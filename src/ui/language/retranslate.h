#pragma once

#include <QObject>

#include <functional>

namespace tovik {

// Runs `apply` now and again whenever the interface language changes, for as long as
// `context` lives. Views put every translated text they draw in such a function.
void followLanguage(QObject *context, std::function<void()> apply);

} // namespace tovik
