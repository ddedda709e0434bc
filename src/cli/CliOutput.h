// What verbalto-cli prints for one translation: plain text for people, JSON for programs.
#pragma once

#include "TranslationResult.h"

#include <QByteArray>
#include <QString>

class QIODevice;

namespace CliOutput {

// The translation; then, when not empty, a blank line and the romanization; then, when not
// empty, a blank line and the dictionary. Lines end with "\n"; UTF-8.
QByteArray PlainText(const TranslationResult& result);

// One JSON object on one line (ending with "\n"), the fields in the order source, translation,
// romanization, dictionary, service, detected, fallbackFrom, fallbackReason, every string
// exact; UTF-8.
QByteArray JsonLine(const TranslationResult& result, const QString& service,
                    const QString& detected, const QString& fallbackFrom = {},
                    const QString& fallbackReason = {});

// The same written to a device a piece at a time, so large results are not held twice.
void WritePlainText(QIODevice& device, const TranslationResult& result);
void WriteJsonLine(QIODevice& device, const TranslationResult& result, const QString& service,
                   const QString& detected, const QString& fallbackFrom = {},
                   const QString& fallbackReason = {});

// A JSON string literal, quotes included.
QByteArray JsonString(const QString& text);

} // namespace CliOutput
