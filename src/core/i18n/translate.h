#pragma once

#include <QString>

#include <initializer_list>
#include <utility>

namespace tovik {

// True when the settings store holds "zh-Hant" under "interfaceLanguage".
// Reads the store on every call, so a language change is seen at once.
bool storedLanguageIsChinese();

// The text to show for an English text: its Traditional Chinese row when the
// stored language is Chinese and the whole text is a key, otherwise the text itself.
QString translate(const QString &english);

// Replaces every "{name}" by its value, as plain text. Always applied after translate,
// so the translated text decides where each value goes.
QString fill(QString text, std::initializer_list<std::pair<QString, QString>> values);

// translate, then fill: the usual way to build a message.
QString translated(const QString &english, std::initializer_list<std::pair<QString, QString>> values = {});

} // namespace tovik
