// Cuts the translation, its romanization and the dictionary out of the service's reply page.
#pragma once

#include "TranslationResult.h"

#include <QStringView>

// Fills translation, romanization and dictionary; sourceText stays empty. Never fails: a
// missing marker gives an empty field. Every search is linear in the size of the reply.
TranslationResult ParseTranslateReply(const QString& reply);

namespace ReplyDecoding {
// The entity decoding of the translation and of the romanization, row by row.
QString DecodeTranslation(QString text);
QString DecodeRomanization(QString text);
} // namespace ReplyDecoding

// Whether the page holds the marker a translation starts with (even an empty one).
bool HoldsTranslationMarker(QStringView reply);
