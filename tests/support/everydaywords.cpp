#include "support/everydaywords.h"

namespace tovik::test {

QStringList everydayWords(QRandomGenerator &random, int count)
{
    QStringList words;
    for (int i = 0; i < count; ++i) {
        QString word;
        for (int length = int(random.bounded(3, 10)); word.size() < length;)
            word += QChar(u'a' + random.bounded(26));
        words.append(word);
    }
    words << QStringLiteral("預算") << QStringLiteral("潮汐") << QStringLiteral("會議") << QStringLiteral("紀錄");
    return words;
}

} // namespace tovik::test
