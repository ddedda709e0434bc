// Cuts the translation, its romanization and the dictionary out of the service's reply page.
#pragma once

#include "TranslationResult.h"

#include <QByteArrayView>
#include <QStringView>

// Fills translation, romanization and dictionary; sourceText stays empty. Never fails: a
// missing marker gives an empty field. Every search is linear in the size of the reply.
TranslationResult ParseTranslateReply(const QString& reply);
// The same for the reply's UTF-8 bytes, with the result of decoding them whole first; only the
// parts cut out are decoded, so the page is never held twice.
TranslationResult ParseTranslateReplyUtf8(QByteArrayView reply);
// The same, freeing the page as soon as the parts still to be worked on are cut out of it.
TranslationResult ParseTranslateReplyUtf8(QByteArray&& reply);

// Whether the page (UTF-8) holds the marker a translation starts with (even an empty one).
bool HoldsTranslationMarker(QByteArrayView reply);
