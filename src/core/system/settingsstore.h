#pragma once

#include <QSettings>

#include <memory>
#include <optional>

namespace tovik {

// The per-user settings store: organization and application both "tovikRAGUI",
// so the file is ~/.config/tovikRAGUI/tovikRAGUI.conf. QSettings instances in one
// process share their cache, so a value written through one is read through all.
std::unique_ptr<QSettings> makeSettingsStore();

// One store per thread, for hot readers such as translate().
QSettings &threadSettingsStore();

// Stores `value` under `key` and writes the file at once, so that a file that can't
// be written (read-only, immutable, a folder in its way) is noticed while the user is
// still looking. The value holds for this run either way. Returns the translated
// message to show where the setting was changed, or none when the file was written.
std::optional<QString> writeSetting(const QString &key, const QVariant &value);

} // namespace tovik
