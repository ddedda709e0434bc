// What the light HTML view does to a page before showing it: decode it, find its base address
// and scroll setting, and set aside the banner player objects that it hosts natively.
#pragma once

#include "HttpTransport.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace HtmlPage {

// Pages and every resource of theirs are at most this large.
inline constexpr qint64 kMaxBytes = HttpTransport::kPageLimit;

// What an answer to a navigation is shown as.
enum class Kind { Html, Image, Other };
// A picture is told by its bytes, whatever the Content-Type says; otherwise a page is what says
// it is one, or has no Content-Type (a local file).
Kind Classify(const QByteArray& contentType, const QByteArray& body);

// The bytes of a local regular file of at most maxBytes; nullopt for anything else (missing,
// too large, a folder, a device, a FIFO, a socket). Never waits for a writer or a device.
std::optional<QByteArray> ReadLocalFile(const QString& path, qint64 maxBytes = kMaxBytes);

// Whether a page that came from pageUrl may load a resource from url: a page from the network
// only from http(s), a local page from http(s) and local files.
bool MayLoad(const QUrl& pageUrl, const QUrl& url);

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
