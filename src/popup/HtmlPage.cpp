#include "HtmlPage.h"

#include <QFile>

#include <QBuffer>
#include <QImageReader>
#include <QRegularExpression>
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

const QRegularExpression& objectPattern()
{
    static const QRegularExpression re(
        QStringLiteral("<object\\b[^>]*>.*?</object\\s*>|<embed\\b[^>]*>(?:\\s*</embed\\s*>)?"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return re;
}

QString movieOf(const QString& element)
{
    // <param name="movie" value="...">, then <embed src="...">, then <object data="...">.
    static const QRegularExpression param(QStringLiteral("<param\\b[^>]*>"),
                                          QRegularExpression::CaseInsensitiveOption);
    auto it = param.globalMatch(element);
    while (it.hasNext()) {
        const QString tag = it.next().captured(0);
        const QString name = Attribute(tag, QStringLiteral("name")).toLower();
        if (name == QLatin1String("movie") || name == QLatin1String("src"))
            return Attribute(tag, QStringLiteral("value"));
    }
    static const QRegularExpression embed(QStringLiteral("<embed\\b[^>]*>"),
                                          QRegularExpression::CaseInsensitiveOption);
    const auto m = embed.match(element);
    if (m.hasMatch())
        return Attribute(m.captured(0), QStringLiteral("src"));
    static const QRegularExpression object(QStringLiteral("<object\\b[^>]*>"),
                                           QRegularExpression::CaseInsensitiveOption);
    const auto o = object.match(element);
    return o.hasMatch() ? Attribute(o.captured(0), QStringLiteral("data")) : QString();
}

int dimension(const QString& element, const QString& name, int fallback)
{
    static const QRegularExpression first(QStringLiteral("<(?:object|embed)\\b[^>]*>"),
                                          QRegularExpression::CaseInsensitiveOption);
    auto it = first.globalMatch(element);
    while (it.hasNext()) {
        bool ok = false;
        const int v = Attribute(it.next().captured(0), name).toInt(&ok);
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
    static const QRegularExpression charset(QStringLiteral("charset\\s*=\\s*\"?([\\w.:-]+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto m = charset.match(QString::fromLatin1(contentType));
    if (m.hasMatch()) {
        QStringDecoder decoder(m.captured(1).toLatin1().constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    QStringDecoder html = QStringDecoder::decoderForHtml(body);
    if (html.isValid())
        return html.decode(body);
    return QString::fromUtf8(body);
}

QString Attribute(const QString& tag, const QString& name)
{
    const QRegularExpression re(
        QStringLiteral("\\s%1\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>\"']+))")
            .arg(QRegularExpression::escape(name)),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(tag);
    if (!m.hasMatch())
        return {};
    QString value = m.captured(1);
    if (value.isNull())
        value = m.captured(2);
    if (value.isNull())
        value = m.captured(3);
    return value.replace(QLatin1String("&amp;"), QLatin1String("&")).trimmed();
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

    static const QRegularExpression base(QStringLiteral("<base\\b[^>]*>"),
                                         QRegularExpression::CaseInsensitiveOption);
    if (const auto m = base.match(html); m.hasMatch())
        out.baseHref = Attribute(m.captured(0), QStringLiteral("href"));

    static const QRegularExpression body(QStringLiteral("<body\\b[^>]*>"),
                                         QRegularExpression::CaseInsensitiveOption);
    if (const auto m = body.match(html); m.hasMatch()) {
        const QString tag = m.captured(0);
        out.noScroll = Attribute(tag, QStringLiteral("scroll")).toLower() == QLatin1String("no");
        static const QRegularExpression zeroStyle(QStringLiteral("margin\\s*:\\s*0"),
                                                  QRegularExpression::CaseInsensitiveOption);
        out.noMargin = Attribute(tag, QStringLiteral("leftmargin")) == QLatin1String("0") ||
                       Attribute(tag, QStringLiteral("marginwidth")) == QLatin1String("0") ||
                       zeroStyle.match(Attribute(tag, QStringLiteral("style"))).hasMatch();
    }

    qsizetype from = 0;
    auto it = objectPattern().globalMatch(html);
    while (it.hasNext()) {
        const auto m = it.next();
        const QString element = m.captured(0);
        const QString movie = movieOf(element);
        const QString settings = QUrlQuery(QUrl(movie).query())
                                     .queryItemValue(QStringLiteral("data"), QUrl::FullyDecoded);
        out.html += QStringView(html).mid(from, m.capturedStart() - from);
        from = m.capturedEnd();
        if (settings.isEmpty()) {
            // Some other plug-in: nothing we can play, so it takes no room.
            continue;
        }
        PlayerObject player;
        player.source = movie;
        player.settings = settings;
        player.width = dimension(element, QStringLiteral("width"), player.width);
        player.height = dimension(element, QStringLiteral("height"), player.height);
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
