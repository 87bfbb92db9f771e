#pragma once

#include <QSettings>

#include <memory>

namespace tovik {

// The per-user settings store: organization and application both "tovikRAGUI",
// so the file is ~/.config/tovikRAGUI/tovikRAGUI.conf. QSettings instances in one
// process share their cache, so a value written through one is read through all.
std::unique_ptr<QSettings> makeSettingsStore();

// One store per thread, for hot readers such as translate().
QSettings &threadSettingsStore();

} // namespace tovik
