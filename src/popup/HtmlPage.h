// What the light HTML view does to a page before showing it: decode it, find its base address
// and scroll setting, and set aside the banner player objects that it hosts natively.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

namespace HtmlPage {

// The page text: the charset of the Content-Type header, else a byte-order mark or a meta
// charset, else UTF-8. Unknown charsets fall back the same way.
QString Decode(const QByteArray& body, const QByteArray& contentType = {});

// An object or embed whose movie names a settings file in its "data" query item.
struct PlayerObject
{
    QString source;   // the movie as written, e.g. "Currencyshow.player?data=offAD.xml"
    QString settings; // the data item, relative to the page
    int width = 620;
    int height = 60;
};

struct Prepared
{
    QString html; // players replaced by placeholder images
    QList<PlayerObject> players;
    QString baseHref;      // of a <base href>, "" when none
    bool noScroll = false; // <body scroll="no">
    bool noMargin = false; // the body asks for no margins
};

Prepared Prepare(const QString& html);

// The image address that stands in for player i in the prepared page.
QUrl PlaceholderUrl(int index);
// The player index of a placeholder address, or -1.
int PlaceholderIndex(const QUrl& url);

// The value of an attribute inside one tag's text ("" when absent); entities &amp; decoded.
QString Attribute(const QString& tag, const QString& name);

} // namespace HtmlPage
