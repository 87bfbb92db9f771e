#include "modelserver/embeddingmodel.h"

namespace tovik {

QString embeddingLanguageCode(EmbeddingLanguage language)
{
    return language == EmbeddingLanguage::english ? QStringLiteral("en") : QStringLiteral("zh-Hant");
}

} // namespace tovik
