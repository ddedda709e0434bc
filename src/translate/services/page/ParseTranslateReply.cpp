#include "ParseTranslateReply.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

namespace {

// An ASCII marker, searched for in the reply as UTF-16 or as its UTF-8 bytes.
struct Marker
{
    QLatin1StringView text;
    qsizetype size() const { return text.size(); }
};

// Where the marker first occurs in the reply at or after from, or -1: an exact search, the
// same for the text and for its bytes.
qsizetype findMarker(QStringView in, Marker m, qsizetype from = 0)
{
    return in.indexOf(m.text, from);
}

// The C library's search: BM_FindMarker in bench/ compares it with the byte array's.
qsizetype findMarker(QByteArrayView in, Marker m, qsizetype from = 0)
{
    // An empty reply may have no data at all, which memmem must not be given.
    if (from > in.size() || in.size() - from < m.text.size())
        return -1;
    const void* at =
        memmem(in.data() + from, std::size_t(in.size() - from), m.text.data(), m.text.size());
    return at ? static_cast<const char*>(at) - in.data() : -1;
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

char16_t unit(QChar c)
{
    return c.unicode();
}

char16_t unit(char c)
{
    return char16_t(uchar(c));
}

// Whether `s` (with `avail` characters or bytes) starts with `what`. Written out: a call into the
// string library for each "&", "<" or space was most of the extraction's time.
template <typename C> bool startsWithAt(const C* s, qsizetype avail, QStringView what)
{
    if (avail < what.size())
        return false;
    for (qsizetype j = 0; j < what.size(); ++j)
        if (unit(s[j]) != what[j].unicode())
            return false;
    return true;
}

// Where the next `tag` starts at or after `from`, or -1. Only a tag that begins with "<" (the
// dictionary's) is found: positions are tried only where a "<" stands.
template <typename View> qsizetype findTag(View in, QStringView tag, qsizetype from = 0)
{
    const auto* s = in.data();
    const qsizetype n = in.size();
    for (qsizetype i = from; i + tag.size() <= n; ++i)
        if (s[i] == u'<' && startsWithAt(s + i, n - i, tag))
            return i;
    return -1;
}

// The first row from `first` on whose text starts `s`, behind `lead` ("&" an earlier row made,
// or nothing), or -1.
template <std::size_t N>
int firstRow(const Row (&rows)[N], int first, const QChar* s, qsizetype avail, bool lead)
{
    for (int k = first; k < int(N); ++k) {
        const QStringView from = rows[k].from;
        if (lead ? from.front() == u'&' && startsWithAt(s, avail, from.sliced(1))
                 : from.front() == s[0] && startsWithAt(s, avail, from))
            return k;
    }
    return -1;
}

bool makesAmpersand(const Row& row)
{
    return row.to.size() == 1 && row.to.front() == u'&';
}

// One pass with the same result as replacing each row in turn through the whole text. That
// holds because no row begins inside a later row's text: a row may begin inside an earlier
// one's ("&gt;" begins inside "&lt;br&gt;", which is replaced first), never the other way. And
// the only output that can start a later row's match is the "&" of a row, which is tried at
// once against the rows after it. Every output is no longer than its match, so the text is
// rewritten in place.
template <std::size_t N> QString decodeRows(QString text, const Row (&rows)[N])
{
    const qsizetype n = text.size();
    if (n == 0)
        return text;
    bool starts[128] = {};
    for (const Row& row : rows)
        starts[row.from.front().unicode()] = true;
    const auto mayStartRow = [&](QChar c) { return c.unicode() < 128 && starts[c.unicode()]; };
    QChar* s = text.data();
    qsizetype w = 0;
    qsizetype i = 0;
    while (true) {
        // Text between rows moves as one block, and not at all before the first row.
        qsizetype j = i;
        while (j < n && !mayStartRow(s[j]))
            ++j;
        if (w != i)
            std::memmove(s + w, s + i, std::size_t(j - i) * sizeof(QChar));
        w += j - i;
        i = j;
        if (i == n)
            break;
        int k = firstRow(rows, 0, s + i, n - i, false);
        if (k < 0) {
            s[w++] = s[i++];
            continue;
        }
        i += rows[k].from.size();
        while (makesAmpersand(rows[k])) {
            const int next = firstRow(rows, k + 1, s + i, n - i, true);
            if (next < 0)
                break;
            i += rows[next].from.size() - 1;
            k = next;
        }
        for (QChar out : rows[k].to)
            s[w++] = out;
    }
    text.truncate(w);
    // The decoded text is kept (in a box, in the history): it keeps no more room than it needs.
    text.squeeze();
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
        qsizetype at;
        if constexpr (std::is_same_v<Sep, Marker>)
            at = findMarker(text, sep, from);
        else
            at = findTag(text, sep, from);
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
    const qsizetype at = findMarker(reply, start);
    if (at < 0)
        return {};
    const qsizetype from = keepStart ? at : at + start.size();
    const qsizetype to = findMarker(reply, end, from);
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
                     const qsizetype at = findMarker(piece, kTranslationStart);
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

// Removes every "<li>", then every "</div></div>" of what remains, in one pass: a group close
// is dropped only when it lies wholly after the last one dropped, as a second removal through
// the first one's result would find it.
template <typename Text> void removeListTags(Text& list)
{
    auto* s = list.data();
    const qsizetype n = list.size();
    const qsizetype close = kGroupClose.size();
    qsizetype w = 0;
    qsizetype floor = 0;
    for (qsizetype i = 0; i < n;) {
        if (s[i] == u'<' && startsWithAt(s + i, n - i, kEntryOpen)) {
            i += kEntryOpen.size();
            continue;
        }
        const auto c = s[i++];
        s[w++] = c;
        if (c == u'>' && w - floor >= close && startsWithAt(s + w - close, close, kGroupClose)) {
            w -= close;
            floor = w;
        }
    }
    list.truncate(w);
}

// Writes into a string sized ahead, growing it only when a long list needs it: appending piece
// by piece cost more than finding the pieces.
class Writer
{
  public:
    Writer(QString& out, qsizetype expected) : m_out(out)
    {
        // Sized exactly: growing by resize would round the room up to a power of two.
        m_out.reserve(expected);
        m_out.resize(expected);
        m_at = m_out.data();
        m_end = m_at + m_out.size();
    }
    ~Writer()
    {
        m_out.truncate(m_at - m_out.constData());
        m_out.squeeze();
    }

    void add(QStringView text)
    {
        if (text.isEmpty())
            return;
        room(text.size());
        std::memcpy(m_at, text.data(), std::size_t(text.size()) * sizeof(QChar));
        m_at += text.size();
    }
    // Bytes of valid UTF-8.
    void add(QByteArrayView text)
    {
        room(text.size());
        const char* s = text.data();
        qsizetype i = 0;
        // Most of a dictionary is ASCII, and its words are too short to pay for a decoder call.
        for (; i < text.size() && uchar(s[i]) < 0x80; ++i)
            *m_at++ = char16_t(s[i]);
        if (i < text.size())
            m_at = m_utf8.appendToBuffer(m_at, text.sliced(i));
    }
    void add(char16_t c)
    {
        room(1);
        *m_at++ = c;
    }
    void addNumber(int number)
    {
        char16_t digits[12];
        int at = 12;
        do {
            digits[--at] = char16_t(u'0' + number % 10);
            number /= 10;
        } while (number);
        add(QStringView(digits + at, 12 - at));
    }

  private:
    void room(qsizetype size)
    {
        if (m_end - m_at >= size)
            return;
        const qsizetype used = m_at - m_out.constData();
        m_out.resize(std::max(used + size, m_out.size() * 2));
        m_at = m_out.data() + used;
        m_end = m_out.data() + m_out.size();
    }

    QString& m_out;
    QChar* m_at;
    QChar* m_end;
    QStringDecoder m_utf8{QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                      QStringConverter::Flag::ConvertInitialBom};
};

template <typename View, typename Out> void writeDictionary(View list, Out& write)
{
    forEachPiece(list, kEntryEnd, [&](View part) {
        const qsizetype split = findTag(part, kWordListStart);
        write.add(split < 0 ? part : part.first(split));
        write.add(u':');
        write.add(kCrLf);
        if (split < 0)
            return; // a heading without words
        View words = part.sliced(split + kWordListStart.size());
        // Only the second piece is the word list; a further word-list marker ends it.
        const qsizetype next = findTag(words, kWordListStart);
        if (next >= 0)
            words = words.first(next);
        int number = 0;
        forEachPiece(words, kWordSeparator, [&](View word) {
            write.addNumber(++number);
            write.add(u". ");
            write.add(word);
            write.add(kCrLf);
        });
    });
}

// `list` is the decoded list or its bytes (each byte gives at most one character).
template <typename Text> QString extractDictionary(Text list)
{
    if (!list.isEmpty())
        removeListTags(list);
    using View = std::conditional_t<std::is_same_v<Text, QString>, QStringView, QByteArrayView>;
    QString out;
    {
        // Every tag that goes is longer than the number and line break that replace it; only
        // the last heading's ":" and line break come on top.
        Writer write(out, list.size() + 3);
        writeDictionary(View(list), write);
    } // the writer cuts the text to what it wrote
    return out;
}

// Each takes its list out of the reply, then lets the reply go before the list is worked on.
template <typename Release> QString extractDictionary(QStringView list, Release&& release)
{
    QString text = list.toString();
    release();
    return extractDictionary(std::move(text));
}

// Valid UTF-8 is worked on as bytes, half the size of the decoded list. Cutting the tags out of
// broken UTF-8 would join bytes that decoding first keeps apart, so that is decoded first.
template <typename Release> QString extractDictionary(QByteArrayView list, Release&& release)
{
    if (!list.isValidUtf8()) {
        QString text = decodePiece(list);
        release();
        return extractDictionary(std::move(text));
    }
    QByteArray bytes = list.toByteArray();
    release();
    return extractDictionary(std::move(bytes));
}

// `release` lets the reply go: it is called once, when nothing more is read from it.
template <typename View, typename Release> TranslationResult parse(View reply, Release&& release)
{
    TranslationResult result;
    result.translation = extractTranslation(reply);
    result.romanization =
        decodeRows(decodePiece(between(reply, kRomanizationStart, kRomanizationEnd, false)),
                   kRomanizationRows);
    // A missing list gives nothing; an empty one still gives its empty heading.
    const View dictionary = between(reply, kDictionaryStart, kDictionaryEnd, false);
    if (dictionary.isNull())
        release();
    else
        result.dictionary = extractDictionary(dictionary, release);
    return result;
}

void keep() {}

} // namespace

TranslationResult ParseTranslateReply(const QString& reply)
{
    return parse(QStringView(reply), keep);
}

TranslationResult ParseTranslateReplyUtf8(QByteArrayView reply)
{
    return parse(reply, keep);
}

TranslationResult ParseTranslateReplyUtf8(QByteArray&& reply)
{
    QByteArray page = std::move(reply);
    return parse(QByteArrayView(page), [&page] { page = QByteArray(); });
}

bool HoldsTranslationMarker(QByteArrayView reply)
{
    return findMarker(reply, kTranslationStart) >= 0;
}
