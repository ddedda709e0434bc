#include "ParseTranslateReply.h"

#include <QStringDecoder>

#include <vector>

namespace {

// An ASCII marker, searched for in the reply as UTF-16 or as its UTF-8 bytes.
struct Marker
{
    QLatin1StringView text;
    qsizetype size() const { return text.size(); }
};

qsizetype find(QStringView in, Marker m, qsizetype from = 0)
{
    return in.indexOf(m.text, from);
}

qsizetype find(QStringView in, QStringView what, qsizetype from = 0)
{
    return in.indexOf(what, from);
}

qsizetype find(QByteArrayView in, Marker m, qsizetype from = 0)
{
    return in.indexOf(QByteArrayView(m.text.data(), m.text.size()), from);
}

constexpr Marker kTranslationStart{
    QLatin1StringView("onmouseout=\"this.style.backgroundColor='#fff'\">")};
constexpr Marker kTranslationEnd{QLatin1StringView("</span></div>")};
constexpr Marker kSentenceEnd{QLatin1StringView("</span>")};
constexpr Marker kRomanizationStart{
    QLatin1StringView("<div id=res-translit class=translit dir=ltr style=\"text-align:\">")};
constexpr Marker kRomanizationEnd{QLatin1StringView("</div>")};
constexpr Marker kDictionaryStart{QLatin1StringView("</h3><ol><li>")};
constexpr Marker kDictionaryEnd{QLatin1StringView("</li></ol>")};
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

// The line-break tag, then decoding list A. The question-mark rows of the original lists are
// left out on purpose: they turned every "?" of a translation into a blank.
constexpr Row kTranslationRows[] = {
    {u"<br>", kCrLf},     {u"&amp;quot;", kCrLf}, {u"&lt;br&gt;", kCrLf}, {u"&amp;#39;", u"'"},
    {u"&amp;amp;", u"&"}, {u"&amp;lt;", u"<"},    {u"&amp;gt;", u">"},    {u"&lt;", u"<"},
    {u"&gt;", u">"},      {u"&#39;", u"'"},       {u"&quot;", u"\""},     {u"&amp;", u"&"},
};

// Decoding list B.
constexpr Row kRomanizationRows[] = {
    {u"&amp;quot;", kCrLf}, {u"  ", kCrLf},      {u"&amp;#39;", u"'"}, {u"&#39;", u"'"},
    {u"&amp;amp;", u"&"},   {u"&amp;lt;", u"<"}, {u"&amp;gt;", u">"},  {u"&lt;", u"<"},
    {u"&gt;", u">"},        {u"&quot;", u"\""},  {u"&amp;", u"&"},
};

// The first row from `first` on whose text starts `rest`, behind `lead` (a "&" an earlier row
// made), or -1.
template <std::size_t N>
int firstRow(const Row (&rows)[N], int first, QStringView rest, QStringView lead)
{
    for (int k = first; k < int(N); ++k) {
        const QStringView from = rows[k].from;
        if (from.startsWith(lead) && rest.startsWith(from.mid(lead.size())))
            return k;
    }
    return -1;
}

// One pass with the same result as replacing each row in turn through the whole text: no row's
// text can begin inside another's match (they begin with "&", " " or "<"), and the only
// output that can start a later row's match is the "&" of a row, which is tried at once against
// the rows after it. Every output is no longer than its match, so the text is rewritten in place.
template <std::size_t N> QString decodeRows(QString text, const Row (&rows)[N])
{
    const qsizetype n = text.size();
    if (n == 0)
        return text;
    bool starts[128] = {};
    for (const Row& row : rows)
        starts[row.from.front().unicode()] = true;
    QChar* s = text.data();
    qsizetype w = 0;
    for (qsizetype i = 0; i < n;) {
        const char16_t c = s[i].unicode();
        int k = c < 128 && starts[c] ? firstRow(rows, 0, QStringView(s + i, n - i), {}) : -1;
        if (k < 0) {
            s[w++] = s[i++];
            continue;
        }
        i += rows[k].from.size();
        while (rows[k].to == u"&") {
            const int next = firstRow(rows, k + 1, QStringView(s + i, n - i), u"&");
            if (next < 0)
                break;
            i += rows[next].from.size() - 1;
            k = next;
        }
        for (QChar out : rows[k].to)
            s[w++] = out;
    }
    text.truncate(w);
    return text;
}

// The reply as UTF-16 or as the UTF-8 bytes that came over the network. The markers are ASCII
// and a UTF-8 decoder never swallows an ASCII byte, so cutting the bytes at a marker and
// decoding the piece gives the same text as decoding the whole reply and cutting there.
QString decodePiece(QStringView piece)
{
    return piece.toString();
}

void appendPiece(QString& out, QStringView piece)
{
    out.append(piece);
}

void appendPiece(QString& out, QByteArrayView piece)
{
    // A byte-order mark inside the page is text, as in the whole page decoded.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                    QStringConverter::Flag::ConvertInitialBom);
    const qsizetype at = out.size();
    out.resize(at + piece.size());
    QChar* end = utf8.appendToBuffer(out.data() + at, piece);
    out.truncate(end - out.constData());
}

QString decodePiece(QByteArrayView piece)
{
    QString text;
    text.reserve(piece.size());
    appendPiece(text, piece);
    return text;
}

// Calls f(piece) for every piece of `text` split at `sep` (like QString::split, keeping empties).
template <typename View, typename Sep, typename F> void forEachPiece(View text, Sep sep, F&& f)
{
    qsizetype from = 0;
    while (true) {
        const qsizetype at = find(text, sep, from);
        if (at < 0) {
            f(text.sliced(from));
            return;
        }
        f(text.sliced(from, at - from));
        from = at + sep.size();
    }
}

// The text from `start` (or from its end) to the next `end`; null when either is missing.
template <typename View> View between(View reply, Marker start, Marker end, bool keepStart)
{
    const qsizetype at = find(reply, start);
    if (at < 0)
        return {};
    const qsizetype from = keepStart ? at : at + start.size();
    const qsizetype to = find(reply, end, from);
    if (to < 0)
        return {};
    return reply.sliced(from, to - from);
}

template <typename View> QString extractTranslation(View reply)
{
    // The sentences are gathered first so that the text is allocated once, at its size.
    std::vector<View> sentences;
    qsizetype total = 0;
    forEachPiece(between(reply, kTranslationStart, kTranslationEnd, true), kSentenceEnd,
                 [&](View piece) {
                     // A piece without the start marker (some other span) contributes nothing.
                     const qsizetype at = find(piece, kTranslationStart);
                     if (at >= 0) {
                         sentences.push_back(piece.sliced(at + kTranslationStart.size()));
                         total += sentences.back().size();
                     }
                 });
    QString translation;
    translation.reserve(total);
    for (View sentence : sentences)
        appendPiece(translation, sentence);
    return decodeRows(std::move(translation), kTranslationRows);
}

QString extractDictionary(QString list)
{
    list.remove(kEntryOpen.toString());
    list.remove(kGroupClose.toString());

    QString out;
    out.reserve(list.size() + list.size() / 4);
    forEachPiece(QStringView(list), kEntryEnd, [&](QStringView part) {
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

template <typename View> TranslationResult parse(View reply)
{
    TranslationResult result;
    result.translation = extractTranslation(reply);
    result.romanization =
        decodeRows(decodePiece(between(reply, kRomanizationStart, kRomanizationEnd, false)),
                   kRomanizationRows);
    // A missing list gives nothing; an empty one still gives its empty heading.
    const View dictionary = between(reply, kDictionaryStart, kDictionaryEnd, false);
    if (!dictionary.isNull())
        result.dictionary = extractDictionary(decodePiece(dictionary));
    return result;
}

} // namespace

TranslationResult ParseTranslateReply(const QString& reply)
{
    return parse(QStringView(reply));
}

TranslationResult ParseTranslateReplyUtf8(QByteArrayView reply)
{
    return parse(reply);
}

bool HoldsTranslationMarker(QByteArrayView reply)
{
    return find(reply, kTranslationStart) >= 0;
}
