#include "passagecases.h"

#include "preview/passageindex.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tovik::test {

QList<PassageCase> loadPassageCases(const QString &folder)
{
    QFile file(folder + QStringLiteral("/cases.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonArray entries = QJsonDocument::fromJson(file.readAll()).object().value(u"cases").toArray();
    QHash<QString, QString> pages;
    QList<PassageCase> cases;
    for (const QJsonValue &entry : entries) {
        const QJsonObject object = entry.toObject();
        PassageCase one;
        one.kind = object.value(u"kind").toString();
        one.page = object.value(u"page").toString();
        one.claim = object.value(u"claim").toString();
        if (!pages.contains(one.page)) {
            QFile page(folder + u'/' + one.page);
            if (!page.open(QIODevice::ReadOnly))
                return {};
            pages.insert(one.page, QString::fromUtf8(page.readAll()));
        }
        one.pageText = pages.value(one.page);
        if (object.value(u"expected").isString()) {
            const QString expected = object.value(u"expected").toString();
            const qsizetype at = one.pageText.indexOf(expected);
            if (at < 0 || expected.isEmpty())
                return {};
            one.expected = TextRange{at, expected.size()};
        }
        cases.append(one);
    }
    return cases;
}

bool isPassageHit(TextRange expected, TextRange returned)
{
    const qsizetype overlap = std::min(expected.end(), returned.end()) - std::max(expected.location, returned.location);
    return expected.length > 0 && overlap * 2 >= expected.length;
}

PassageSetScore scorePassageSet(const QList<PassageCase> &cases)
{
    PassageSetScore score;
    QHash<QString, PassageIndex> indexes;
    double ratios = 0;
    for (const PassageCase &one : cases) {
        if (!indexes.contains(one.page))
            indexes.insert(one.page, PassageIndex(one.pageText));
        const std::optional<PassageMatch> found = indexes.value(one.page).bestPassage(one.claim);
        if (found)
            ++score.returned;
        const QString got = found ? one.pageText.mid(found->range.location, found->range.length) : QStringLiteral("(none)");
        if (!one.expected) {
            ++score.unsupported;
            if (!found)
                ++score.noneOnUnsupported;
            else
                score.failures.append(QStringLiteral("[%1] %2 → %3 (%4)").arg(one.kind, one.claim, got).arg(found->score));
            continue;
        }
        ++score.supported;
        if (found && isPassageHit(*one.expected, found->range)) {
            ++score.hits;
            ratios += double(found->range.length) / double(one.expected->length);
        } else {
            score.failures.append(QStringLiteral("[%1] %2 → %3 (%4)")
                                      .arg(one.kind, one.claim, got)
                                      .arg(found ? found->score : 0.0));
        }
    }
    score.lengthRatio = score.hits ? ratios / score.hits : 0;
    return score;
}

} // namespace tovik::test
