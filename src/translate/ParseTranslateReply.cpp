#include "ParseTranslateReply.h"

#include <QStringView>

namespace {

constexpr QStringView kTranslationStart = u"onmouseout=\"this.style.backgroundColor='#fff'\">";
constexpr QStringView kTranslationEnd = u"</span></div>";
constexpr QStringView kSentenceEnd = u"</span>";
constexpr QStringView kLineBreakTag = u"<br>";
constexpr QStringView kRomanizationStart =
    u"<div id=res-translit class=translit dir=ltr style=\"text-align:\">";
constexpr QStringView kRomanizationEnd = u"</div>";
constexpr QStringView kDictionaryStart = u"</h3><ol><li>";
constexpr QStringView kDictionaryEnd = u"</li></ol>";
constexpr QStringView kEntryOpen = u"<li>";
constexpr QStringView kGroupClose = u"</div></div>";
constexpr QStringView kEntryEnd = u"</li>";
constexpr QStringView kWordListStart = u"<div><div>";
constexpr QStringView kWordSeparator = u"</div><div>";
constexpr QStringView kCrLf = u"\r\n";

struct Row
{
    QStringView from;
    QStringView to;
};

// The question-mark rows of the original tables are left out on purpose: they turned every
// "?" of a translation into a blank.
constexpr Row kListA[] = {
    {u"&amp;quot;", kCrLf}, {u"&lt;br&gt;", kCrLf}, {u"&amp;#39;", u"'"}, {u"&amp;amp;", u"&"},
    {u"&amp;lt;", u"<"},    {u"&amp;gt;", u">"},    {u"&lt;", u"<"},      {u"&gt;", u">"},
    {u"&#39;", u"'"},       {u"&quot;", u"\""},     {u"&amp;", u"&"},
};

constexpr Row kListB[] = {
    {u"&amp;quot;", kCrLf}, {u"  ", kCrLf},      {u"&amp;#39;", u"'"}, {u"&#39;", u"'"},
    {u"&amp;amp;", u"&"},   {u"&amp;lt;", u"<"}, {u"&amp;gt;", u">"},  {u"&lt;", u"<"},
    {u"&gt;", u">"},        {u"&quot;", u"\""},  {u"&amp;", u"&"},
};

template <std::size_t N> QString applyRows(QString text, const Row (&rows)[N])
{
    for (const Row& row : rows) {
        // Rows that begin with "&" cannot match a text without one; skip the scan then.
        if (row.from.front() == u'&' && !text.contains(u'&'))
            continue;
        text.replace(row.from.toString(), row.to.toString());
    }
    return text;
}

// Calls f(piece) for every piece of `text` split at `sep` (like QString::split, keeping empties).
template <typename F> void forEachPiece(QStringView text, QStringView sep, F&& f)
{
    qsizetype from = 0;
    while (true) {
        const qsizetype at = text.indexOf(sep, from);
        if (at < 0) {
            f(text.mid(from));
            return;
        }
        f(text.mid(from, at - from));
        from = at + sep.size();
    }
}

QString extractTranslation(QStringView reply)
{
    const qsizetype start = reply.indexOf(kTranslationStart);
    if (start < 0)
        return {};
    const qsizetype end = reply.indexOf(kTranslationEnd, start);
    if (end < 0)
        return {};
    QString translation;
    forEachPiece(reply.mid(start, end - start), kSentenceEnd, [&](QStringView piece) {
        // A piece without the start marker (some other span) contributes nothing.
        const qsizetype at = piece.indexOf(kTranslationStart);
        if (at >= 0)
            translation += piece.mid(at + kTranslationStart.size());
    });
    translation.replace(kLineBreakTag.toString(), kCrLf.toString());
    return translation;
}

QString extractRomanization(QStringView reply)
{
    const qsizetype start = reply.indexOf(kRomanizationStart);
    if (start < 0)
        return {};
    const qsizetype from = start + kRomanizationStart.size();
    const qsizetype end = reply.indexOf(kRomanizationEnd, from);
    if (end < 0)
        return {};
    return reply.mid(from, end - from).toString();
}

QString extractDictionary(QStringView reply)
{
    const qsizetype start = reply.indexOf(kDictionaryStart);
    if (start < 0)
        return {};
    const qsizetype from = start + kDictionaryStart.size();
    const qsizetype end = reply.indexOf(kDictionaryEnd, from);
    if (end < 0)
        return {};
    QString list = reply.mid(from, end - from).toString();
    list.remove(kEntryOpen.toString());
    list.remove(kGroupClose.toString());

    QString out;
    out.reserve(list.size() + list.size() / 4);
    forEachPiece(list, kEntryEnd, [&](QStringView part) {
        const qsizetype split = part.indexOf(kWordListStart);
        out += (split < 0 ? part : part.left(split));
        out += u':';
        out += kCrLf;
        if (split < 0)
            return; // a heading without words
        QStringView words = part.mid(split + kWordListStart.size());
        // Only the second piece is the word list; a further word-list marker ends it.
        const qsizetype next = words.indexOf(kWordListStart);
        if (next >= 0)
            words = words.left(next);
        int number = 0;
        forEachPiece(words, kWordSeparator, [&](QStringView word) {
            out += QString::number(++number);
            out += u". ";
            out += word;
            out += kCrLf;
        });
    });
    return out;
}

} // namespace

namespace ReplyDecoding {

QString DecodeTranslation(QString text)
{
    return applyRows(std::move(text), kListA);
}

QString DecodeRomanization(QString text)
{
    return applyRows(std::move(text), kListB);
}

} // namespace ReplyDecoding

TranslationResult ParseTranslateReply(const QString& reply)
{
    TranslationResult result;
    result.translation = ReplyDecoding::DecodeTranslation(extractTranslation(reply));
    result.romanization = ReplyDecoding::DecodeRomanization(extractRomanization(reply));
    result.dictionary = extractDictionary(reply);
    return result;
}

bool HoldsTranslationMarker(QStringView reply)
{
    return reply.contains(kTranslationStart);
}
