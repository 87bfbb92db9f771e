#pragma once

#include <QString>

namespace tovik {

// Help texts name keys with the Mac glyphs (⌘C, ⇧⌘G) so that their translation-table
// keys stay the same on every platform; on Linux the modifier is Ctrl. Turns the
// glyphs of an already translated text into the key names shown here.
QString withPlatformKeyNames(QString text);

} // namespace tovik
