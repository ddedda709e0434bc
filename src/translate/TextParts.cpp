#include "TextParts.h"

#include <string_view>

namespace TextParts {

namespace {

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == QChar(0x3000);
}

bool isWhite(QChar c)
{
    return isLineBreak(c) || isSpace(c);
}

// Ends a sentence only when whitespace follows: "3.14" and "example.com" stay whole.
bool isSpacedEnd(QChar c)
{
    return std::u16string_view(u".!?\u2026\u061F\u0964\u06D4").find(c.unicode()) !=
           std::u16string_view::npos;
}

// Ends a sentence wherever it stands: scripts that write no space after it.
bool isFullEnd(QChar c)
{
    return std::u16string_view(u"\u3002\uFF01\uFF1F\uFF0E\uFF61").find(c.unicode()) !=
           std::u16string_view::npos;
}

// Quotes and brackets that close a sentence stay with it.
bool isCloser(QChar c)
{
    return std::u16string_view(u"\"')]}\u2019\u201D\u00BB\u300D\u300F\u3011\u3015\u3009\u300B"
                               u"\uFF09\uFF3D")
               .find(c.unicode()) != std::u16string_view::npos;
}

bool isPair(QStringView text, qsizetype i)
{
    return i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate();
}

// Where the longest run of whole code points from start that keeps within the limits ends.
qsizetype windowEnd(QStringView text, qsizetype start, const Limits& limits)
{
    qsizetype units = 0;
    qsizetype bytes = 0;
    qsizetype i = start;
    while (i < text.size()) {
        const bool pair = isPair(text, i);
        units += pair ? 2 : 1;
        bytes += limits.byteCost(pair ? QChar::surrogateToUcs4(text[i], text[i + 1])
                                      : char32_t(text[i].unicode()));
        if (units > limits.maxUnits || bytes > limits.maxBytes)
            break;
        i += pair ? 2 : 1;
    }
    return i;
}

// The end of the text before at, whitespace left out, but not before start.
qsizetype trimmedEnd(QStringView text, qsizetype start, qsizetype at)
{
    while (at > start && isWhite(text[at - 1]))
        --at;
    return at;
}

// The last place in [start, limit] where the character matches, or -1.
template <typename Match>
qsizetype lastOf(QStringView text, qsizetype start, qsizetype limit, Match match)
{
    for (qsizetype i = limit; i >= start; --i) {
        if (match(text[i]))
            return i;
    }
    return -1;
}

// The end of the last sentence that ends in (start, limit], after the marks and closers that
// end it; -1 when none does. limit is inside the text.
qsizetype sentenceEnd(QStringView text, qsizetype start, qsizetype limit)
{
    qsizetype runEnd = -1; // end of the run of marks and closers that i is in
    for (qsizetype i = limit - 1; i >= start; --i) {
        const QChar c = text[i];
        const bool spaced = isSpacedEnd(c);
        const bool full = isFullEnd(c);
        if (!spaced && !full && !isCloser(c)) {
            runEnd = -1;
            continue;
        }
        if (runEnd < 0)
            runEnd = i + 1;
        const QChar after = text[runEnd];
        if (isWhite(after) ||
            (full && !isSpacedEnd(after) && !isFullEnd(after) && !isCloser(after)))
            return runEnd;
    }
    return -1;
}

// Where the part from start ends when the text goes on past limit.
qsizetype cut(QStringView text, qsizetype start, qsizetype limit)
{
    if (const qsizetype at = lastOf(text, start, limit, isLineBreak); at >= 0)
        return trimmedEnd(text, start, at);
    if (const qsizetype at = sentenceEnd(text, start, limit); at >= 0)
        return at;
    if (const qsizetype at = lastOf(text, start, limit, isSpace); at >= 0)
        return trimmedEnd(text, start, at);
    // The window holds whole code points, and a CR would have been a line break above.
    if (limit > start)
        return limit;
    return start + (isPair(text, start) ? 2 : 1);
}

} // namespace

QList<Part> Split(QStringView text, const Limits& limits)
{
    QList<Part> parts;
    // Leading whitespace is a part of its own, so that no part's text begins or ends with any.
    qsizetype start = 0;
    while (start < text.size() && isWhite(text[start]))
        ++start;
    if (start > 0)
        parts.append({text.first(0), text.first(start)});
    while (start < text.size()) {
        const qsizetype limit = windowEnd(text, start, limits);
        const qsizetype end =
            limit == text.size() ? trimmedEnd(text, start, limit) : cut(text, start, limit);
        qsizetype next = end;
        while (next < text.size() && isWhite(text[next]))
            ++next;
        parts.append({text.sliced(start, end - start), text.sliced(end, next - end)});
        start = next;
    }
    return parts;
}

} // namespace TextParts
