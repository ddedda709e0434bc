// The web API's voice: which services have it, and the requests that speak a text.
#pragma once

#include "TranslationService.h"

#include <QList>
#include <QString>
#include <QUrl>

namespace OnlineVoice {

// The most characters one request speaks.
constexpr qsizetype kMaxPart = 200;

// The address of the voice for the service: the Google web API's (its own address for
// google-web, the default one for the web page), or "" when the service has no voice.
QString Root(const ServiceSettings& service);
// The text in parts of at most kMaxPart characters, cut at line breaks, sentence ends and spaces
// where it can be; parts holding only blanks are left out.
QStringList Parts(const QString& text);
// One request per part, in order: {root}/translate_tts?ie=UTF-8&client=gtx&tl=CODE&q=TEXT.
QList<QUrl> Requests(const QString& root, const QString& code, const QString& text);
// Whether a reply body is sound rather than a page: MPEG audio, with or without an ID3 tag.
bool LooksLikeAudio(const QByteArray& body);

} // namespace OnlineVoice
