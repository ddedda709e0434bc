// Cuts a text too long for one request into parts that each fit one, at the most natural places.
#pragma once

#include <QList>
#include <QStringView>
#include <functional>

namespace TextParts {

struct Part
{
    QStringView text;      // what is sent; empty when the cut left only a separator
    QStringView separator; // the whitespace cut after it, not sent: "" when cut anywhere
};

struct Limits
{
    qsizetype maxUnits = 5000; // UTF-16 code units of one part's text
    qsizetype maxBytes = 8000; // sum of byteCost over one part's text
    // What one code point costs in the request; a lone surrogate comes as itself.
    std::function<qsizetype(char32_t)> byteCost = [](char32_t) { return qsizetype(1); };
};

// The parts of text in order: their texts and separators, joined, give the text back. A part
// ends at a line break, else at a sentence end, else at a space, else anywhere but inside a
// surrogate pair or a CR LF. The parts are views into text. Each part's text keeps within the
// limits, except that every part takes at least one character, however small the limits.
QList<Part> Split(QStringView text, const Limits& limits);

} // namespace TextParts
