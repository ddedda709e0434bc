#include "HtmlPage.h"

#include <QFile>

#include <QBuffer>
#include <QImageReader>
#include <QStringDecoder>
#include <QUrlQuery>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace HtmlPage {
namespace {

constexpr auto kScheme = "verbalto-player";

// Pages are scanned by hand: these scans run on every page shown at start-up, where compiling
// regular expressions would cost more memory than anything else here. Spaces and word
// characters are the ASCII ones; names match in any case.

bool isSpace(QChar c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool isWord(QChar c)
{
    const char16_t u = c.unicode() | 0x20;
    return (u >= u'a' && u <= u'z') || (c >= u'0' && c <= u'9') || c == u'_';
}

qsizetype skipSpace(QStringView s, qsizetype i)
{
    while (i < s.size() && isSpace(s[i]))
        ++i;
    return i;
}

bool hasAt(QStringView s, qsizetype i, QStringView word)
{
    return s.mid(i).startsWith(word, Qt::CaseInsensitive);
}

// Where the value of "key = value" that starts at i begins (spaces allowed around sep); -1 when
// no such key starts there.
qsizetype valueAt(QStringView s, qsizetype i, QStringView key, QChar sep)
{
    if (!hasAt(s, i, key))
        return -1;
    const qsizetype j = skipSpace(s, i + key.size());
    return j < s.size() && s[j] == sep ? skipSpace(s, j + 1) : -1;
}

struct Tag
{
    qsizetype start = -1;
    qsizetype end = -1; // one past its '>'
    int name = -1;      // index into the names looked for
    QStringView in(QStringView s) const { return s.sliced(start, end - start); }
};

// The first tag at or after from named one of names, whole: <objectx> is no <object>. A tag
// ends at its first '>', quoted or not; without one it is no tag.
Tag findTag(QStringView s, qsizetype from, std::initializer_list<QStringView> names)
{
    for (qsizetype i = s.indexOf(u'<', from); i >= 0; i = s.indexOf(u'<', i + 1)) {
        int n = 0;
        for (const QStringView name : names) {
            const qsizetype after = i + 1 + name.size();
            if (hasAt(s, i + 1, name) && (after == s.size() || !isWord(s[after]))) {
                const qsizetype close = s.indexOf(u'>', after);
                // Nor would any later tag close.
                return close < 0 ? Tag{} : Tag{i, close + 1, n};
            }
            ++n;
        }
    }
    return {};
}

// One past the closing tag </name > that starts at i, or -1.
qsizetype closeAt(QStringView s, qsizetype i, QStringView name)
{
    if (!hasAt(s, i, u"</") || !hasAt(s, i + 2, name))
        return -1;
    const qsizetype j = skipSpace(s, i + 2 + name.size());
    return j < s.size() && s[j] == u'>' ? j + 1 : -1;
}

qsizetype closeAfter(QStringView s, qsizetype from, QStringView name)
{
    for (qsizetype i = s.indexOf(u'<', from); i >= 0; i = s.indexOf(u'<', i + 1)) {
        if (const qsizetype end = closeAt(s, i, name); end >= 0)
            return end;
    }
    return -1;
}

// The next <object ...>...</object>, or <embed ...> with its </embed> if one follows, at or
// after from. An object never closed is passed over, though an embed inside it is not.
// unclosedFrom remembers where a search for </object> found none, so that a page of unclosed
// objects takes one pass rather than one per object.
Tag findElement(QStringView s, qsizetype from, qsizetype& unclosedFrom)
{
    for (Tag t = findTag(s, from, {u"object", u"embed"}); t.start >= 0;
         t = findTag(s, t.start + 1, {u"object", u"embed"})) {
        if (t.name == 1) {
            t.end = std::max(t.end, closeAt(s, skipSpace(s, t.end), u"embed"));
            return t;
        }
        const qsizetype end = t.end < unclosedFrom ? closeAfter(s, t.end, u"object") : -1;
        if (end >= 0)
            return {t.start, end, t.name};
        unclosedFrom = std::min(unclosedFrom, t.end);
    }
    return {};
}

QString attribute(QStringView tag, QStringView name)
{
    for (qsizetype i = 0; i < tag.size(); ++i) {
        const qsizetype j = isSpace(tag[i]) ? valueAt(tag, i + 1, name, u'=') : -1;
        if (j < 0 || j == tag.size())
            continue;
        QStringView value;
        if (const QChar quote = tag[j]; quote == u'"' || quote == u'\'') {
            const qsizetype end = tag.indexOf(quote, j + 1);
            if (end < 0)
                continue;
            value = tag.sliced(j + 1, end - j - 1);
        } else {
            qsizetype end = j;
            while (end < tag.size() && !isSpace(tag[end]) &&
                   !QStringView(u">\"'").contains(tag[end]))
                ++end;
            if (end == j)
                continue;
            value = tag.sliced(j, end - j);
        }
        return value.toString().replace(QLatin1String("&amp;"), QLatin1String("&")).trimmed();
    }
    return {};
}

QString movieOf(QStringView element)
{
    // <param name="movie" value="...">, then <embed src="...">, then <object data="...">.
    for (Tag t = findTag(element, 0, {u"param"}); t.start >= 0;
         t = findTag(element, t.end, {u"param"})) {
        const QString name = attribute(t.in(element), u"name").toLower();
        if (name == QLatin1String("movie") || name == QLatin1String("src"))
            return attribute(t.in(element), u"value");
    }
    if (const Tag t = findTag(element, 0, {u"embed"}); t.start >= 0)
        return attribute(t.in(element), u"src");
    const Tag t = findTag(element, 0, {u"object"});
    return t.start >= 0 ? attribute(t.in(element), u"data") : QString();
}

int dimension(QStringView element, QStringView name, int fallback)
{
    for (Tag t = findTag(element, 0, {u"object", u"embed"}); t.start >= 0;
         t = findTag(element, t.end, {u"object", u"embed"})) {
        bool ok = false;
        const int v = attribute(t.in(element), name).toInt(&ok);
        if (ok && v > 0 && v <= 4000)
            return v;
    }
    return fallback;
}

// Starts, after a byte-order mark and blanks, with a tag that is neither <svg nor <?xml.
bool looksLikeMarkupPage(const QByteArray& body)
{
    QByteArrayView rest(body);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    rest = rest.trimmed();
    if (!rest.startsWith('<'))
        return false;
    const QByteArray start = rest.first(std::min<qsizetype>(rest.size(), 5)).toByteArray().toLower();
    return !start.startsWith("<svg") && !start.startsWith("<?xml");
}

bool isWebScheme(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

} // namespace

Kind Classify(const QByteArray& contentType, const QByteArray& body)
{
    // The bytes first: servers label pictures as pages often enough. Markup other than SVG is
    // no picture, and is told without asking each image plugin, which would load them all.
    if (!looksLikeMarkupPage(body)) {
        QBuffer buffer;
        buffer.setData(body);
        buffer.open(QIODevice::ReadOnly);
        if (!QImageReader::imageFormat(&buffer).isEmpty())
            return Kind::Image;
    }
    const QByteArray type = contentType.split(';').value(0).trimmed().toLower();
    if (type.isEmpty() || type == "text/html" || type == "application/xhtml+xml")
        return Kind::Html;
    return Kind::Other;
}

std::optional<QByteArray> ReadLocalFile(const QString& path, qint64 maxBytes)
{
    // Opened without waiting (a FIFO would wait for a writer), then looked at before any read.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat info = {};
    std::optional<QByteArray> data;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= maxBytes) {
        // The file may grow while it is read: one byte past the limit tells.
        QByteArray bytes(qsizetype(info.st_size) + 1, Qt::Uninitialized);
        qsizetype have = 0;
        while (have < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + have, size_t(bytes.size() - have));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            have += n;
        }
        if (have <= maxBytes && have <= info.st_size) {
            bytes.truncate(have);
            data = std::move(bytes);
        }
    }
    ::close(fd);
    return data;
}

bool MayLoad(const QUrl& pageUrl, const QUrl& url)
{
    if (isWebScheme(url))
        return true;
    return pageUrl.isLocalFile() && url.isLocalFile();
}

QString Decode(const QByteArray& body, const QByteArray& contentType)
{
    const QString type = QString::fromLatin1(contentType);
    for (qsizetype i = 0; i < type.size(); ++i) {
        qsizetype j = valueAt(type, i, u"charset", u'=');
        if (j < 0)
            continue;
        j += j < type.size() && type[j] == u'"';
        qsizetype end = j;
        while (end < type.size() && (isWord(type[end]) || QStringView(u".:-").contains(type[end])))
            ++end;
        if (end == j)
            continue;
        QStringDecoder decoder(QStringView(type).sliced(j, end - j).toLatin1().constData());
        if (decoder.isValid())
            return decoder.decode(body);
        break;
    }
    QStringDecoder html = QStringDecoder::decoderForHtml(body);
    if (html.isValid())
        return html.decode(body);
    return QString::fromUtf8(body);
}

QString Attribute(const QString& tag, const QString& name)
{
    return attribute(tag, name);
}

QUrl PlaceholderUrl(int index)
{
    QUrl url;
    url.setScheme(QLatin1String(kScheme));
    url.setPath(QString::number(index));
    return url;
}

int PlaceholderIndex(const QUrl& url)
{
    if (url.scheme() != QLatin1String(kScheme))
        return -1;
    bool ok = false;
    const int i = url.path().toInt(&ok);
    return ok && i >= 0 ? i : -1;
}

Prepared Prepare(const QString& html)
{
    Prepared out;

    const QStringView page(html);
    if (const Tag base = findTag(page, 0, {u"base"}); base.start >= 0)
        out.baseHref = attribute(base.in(page), u"href");

    if (const Tag body = findTag(page, 0, {u"body"}); body.start >= 0) {
        const QStringView tag = body.in(page);
        out.noScroll = attribute(tag, u"scroll").toLower() == QLatin1String("no");
        const QString style = attribute(tag, u"style");
        bool zeroStyle = false;
        for (qsizetype i = 0; i < style.size() && !zeroStyle; ++i) {
            const qsizetype j = valueAt(style, i, u"margin", u':');
            zeroStyle = j >= 0 && j < style.size() && style[j] == u'0';
        }
        out.noMargin = attribute(tag, u"leftmargin") == QLatin1String("0") ||
                       attribute(tag, u"marginwidth") == QLatin1String("0") || zeroStyle;
    }

    qsizetype from = 0;
    qsizetype unclosedFrom = page.size() + 1;
    for (Tag t = findElement(page, 0, unclosedFrom); t.start >= 0;
         t = findElement(page, t.end, unclosedFrom)) {
        const QStringView element = t.in(page);
        const QString movie = movieOf(element);
        const QString settings = QUrlQuery(QUrl(movie).query())
                                     .queryItemValue(QStringLiteral("data"), QUrl::FullyDecoded);
        out.html += page.sliced(from, t.start - from);
        from = t.end;
        if (settings.isEmpty()) {
            // Some other plug-in: nothing we can play, so it takes no room.
            continue;
        }
        PlayerObject player;
        player.source = movie;
        player.settings = settings;
        player.width = dimension(element, u"width", player.width);
        player.height = dimension(element, u"height", player.height);
        out.html += QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\">")
                        .arg(PlaceholderUrl(static_cast<int>(out.players.size())).toString())
                        .arg(player.width)
                        .arg(player.height);
        out.players.append(player);
    }
    out.html += QStringView(html).mid(from);
    return out;
}

} // namespace HtmlPage
