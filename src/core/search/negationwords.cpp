#include "search/negationwords.h"

namespace tovik {

namespace {

QStringList listOf(std::initializer_list<const char16_t *> entries)
{
    QStringList list;
    list.reserve(qsizetype(entries.size()));
    for (const char16_t *entry : entries)
        list.append(QString::fromUtf16(entry));
    return list;
}

} // namespace

const QStringList &NegationWords::negationMarkers()
{
    static const QStringList list = listOf({
        u"never mentioned", u"did not mention", u"didn't mention", u"didn\u2019t mention", u"not mentioned",
        u"no mention of", u"冇提過", u"冇提及", u"冇提到", u"冇講過", u"冇講到", u"冇出現過", u"沒有提過",
        u"沒有提及", u"沒有提到", u"沒有講過", u"沒提過", u"未提過", u"未提到", u"未提及", u"無提過",
        u"無提及", u"無提到", u"從未提過", u"從不提過", u"冇提", u"冇講", u"冇出現", u"沒提", u"沒講",
        u"沒出現", u"沒有", u"没有", u"不是", u"並非", u"不包括", u"除了", u"除外", u"without",
    });
    return list;
}

const QStringList &NegationWords::assistantCues()
{
    static const QStringList list = listOf({
        u"冇提", u"冇講", u"冇出現", u"沒提", u"沒講", u"沒出現", u"沒有", u"没提", u"没有", u"没讲",
        u"未提", u"無提", u"不是", u"並非", u"不包括", u"never mentioned", u"not mentioned",
        u"didn't mention", u"did not mention", u"without",
    });
    return list;
}

const QStringList &NegationWords::markerContinuations()
{
    static const QStringList list = listOf({u"過", u"了", u"到", u"及"});
    return list;
}

const QStringList &NegationWords::chineseNegationWords()
{
    static const QStringList list = listOf({
        u"冇", u"沒有", u"没有", u"未有", u"並無", u"沒提", u"無提", u"未提", u"不是", u"並非", u"不包括",
    });
    return list;
}

const QStringList &NegationWords::englishNegationWords()
{
    static const QStringList list = listOf({u"never", u"not mentioned", u"without"});
    return list;
}

const QString &NegationWords::clauseSeparators()
{
    static const QString separators = QString::fromUtf16(u"，。！？；、,.!?;\n：:");
    return separators;
}

const QStringList &NegationWords::genericNouns()
{
    static const QStringList list = listOf({u"回答", u"答案", u"提問", u"問題", u"記錄", u"歷史"});
    return list;
}

const QStringList &NegationWords::possessiveParticles()
{
    static const QStringList list = listOf({u"嘅", u"的", u"既"});
    return list;
}

const QStringList &NegationWords::trailingParticles()
{
    static const QStringList list = listOf({
        u"嘅事", u"的事", u"嘅", u"的", u"咗", u"了", u"呢", u"啊", u"呀", u"吧", u"嗎", u"嘛", u"囉", u"喇",
    });
    return list;
}

const QStringList &NegationWords::alternativeSeparators()
{
    static const QStringList list = listOf({u"或者", u"and", u"同", u"與", u"和", u"及", u"或"});
    return list;
}

const QStringList &NegationWords::stopWords()
{
    static const QStringList list = listOf({
        u"a", u"an", u"the", u"of", u"to", u"in", u"on", u"for", u"and", u"or", u"is", u"are", u"was",
        u"were", u"be", u"do", u"does", u"did", u"how", u"what", u"when", u"where", u"why", u"who", u"i",
        u"me", u"my", u"we", u"you", u"your", u"it", u"this", u"that", u"with", u"from", u"at", u"by", u"as",
        u"can", u"could", u"please", u"的", u"了", u"呢", u"個", u"在", u"和", u"與", u"及", u"或", u"是",
        u"有", u"沒", u"不", u"嗎", u"啊", u"吧", u"呀", u"嘅", u"咗", u"喎", u"同", u"嗰", u"啲", u"咁",
        u"冇", u"唔", u"係", u"喺", u"囉", u"喇", u"嘛", u"咩", u"裏", u"裡", u"既", u"我", u"你", u"佢",
        u"想", u"要", u"可以", u"幫", u"請", u"一下", u"之後", u"然後", u"如果", u"因為", u"所以", u"但係",
        u"但是", u"這個", u"那個", u"呢個", u"嗰個",
    });
    return list;
}

} // namespace tovik
