// The form body of a page translation.
#pragma once

#include "HttpTransport.h"

#include <QByteArray>
#include <QString>

// "prev=hp&hl=..&ie=UTF-8&js=y&text=..&file=&sl=..&tl=..", the text form-encoded.
QByteArray BuildTranslateRequest(const QString& sourceText, const QString& hl, const QString& sl,
                                 const QString& tl);

// Posts the form of BuildTranslateRequest to <base>/translate_t as a form would. The text is
// encoded while it is sent, so a long text is not held encoded as well.
HttpResult PostTranslateRequest(const QString& baseUrl, const QString& sourceText,
                                const QString& hl, const QString& sl, const QString& tl,
                                int timeoutMs);
