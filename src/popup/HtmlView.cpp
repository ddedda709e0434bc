#include "HtmlView.h"

#include "BannerPlayer.h"
#include "GifAnimation.h"
#include "HttpTransport.h"

#include <QAbstractTextDocumentLayout>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QMovie>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextFragment>
#include <QTextLayout>
#include <utility>

namespace {

bool isWebScheme(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

QImage transparentImage(QSize size)
{
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

HtmlView::HtmlView(QWidget* parent) : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setUndoRedoEnabled(false);
    connect(this, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& link) { openLink(m_baseUrl.resolved(link)); });
}

HtmlView::~HtmlView()
{
    cancelLoads();
}

QNetworkAccessManager& HtmlView::network()
{
    return m_network ? *m_network : SharedNetwork();
}

void HtmlView::SetScrollBarsAllowed(bool allowed)
{
    m_scrollAllowed = allowed;
    applyScrollPolicy();
}

void HtmlView::applyScrollPolicy()
{
    const auto policy =
        m_scrollAllowed && !m_noScroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
}

void HtmlView::Navigate(const QString& address)
{
    const QString text = address.trimmed();
    QUrl url;
    if (text.startsWith(QLatin1Char('/')))
        url = QUrl::fromLocalFile(text);
    else
        url = QUrl(text);
    NavigateUrl(url);
}

void HtmlView::NavigateUrl(const QUrl& url)
{
    cancelLoads();
    ++m_generation;
    m_pageUrl = url;
    fetch(url, [this](bool ok, const QByteArray& body, const QByteArray& type) {
        if (ok)
            showPage(body, type);
        else
            showBlank();
        emit loadFinished(ok);
    });
}

void HtmlView::fetch(const QUrl& url, Done done)
{
    const quint64 generation = m_generation;
    if (url.isLocalFile() || !isWebScheme(url)) {
        // Local files are small and quick, but are still delivered from the event loop, so
        // that a page never appears in the middle of the call that asked for it.
        ++m_localPending;
        QMetaObject::invokeMethod(
            this,
            [this, generation, url, done = std::move(done)] {
                --m_localPending;
                if (generation != m_generation)
                    return;
                QFile file(url.toLocalFile());
                if (!url.isLocalFile() || !file.open(QIODevice::ReadOnly) ||
                    file.size() > kMaxBytes) {
                    done(false, {}, {});
                    return;
                }
                done(true, file.readAll(), {});
            },
            Qt::QueuedConnection);
        return;
    }

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(m_timeoutMs);
    QNetworkReply* reply = network().get(request);
    m_replies.append(reply);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxBytes)
            reply->abort();
    });
    connect(
        reply, &QNetworkReply::finished, this, [this, reply, generation, done = std::move(done)] {
            m_replies.removeOne(reply);
            reply->deleteLater();
            if (generation != m_generation)
                return;
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            const bool ok = reply->error() == QNetworkReply::NoError && status < 400;
            done(ok, ok ? reply->readAll() : QByteArray(),
                 reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
        });
}

void HtmlView::cancelLoads()
{
    ++m_generation; // late local loads and replies see a stale generation and drop out
    const auto replies = std::exchange(m_replies, {});
    for (QNetworkReply* reply : replies)
        reply->abort();
}

void HtmlView::clearPage()
{
    qDeleteAll(std::exchange(m_movies, {}));
    qDeleteAll(std::exchange(m_players, {}));
    m_playerSizes.clear();
    m_requested.clear();
    // Images of the last page must not answer for the next one.
    document()->clear();
}

void HtmlView::showBlank()
{
    cancelLoads();
    clearPage();
    m_blank = true;
    m_noScroll = false;
    applyScrollPolicy();
}

void HtmlView::showPage(const QByteArray& body, const QByteArray& contentType)
{
    clearPage();
    const HtmlPage::Prepared page = HtmlPage::Prepare(HtmlPage::Decode(body, contentType));
    m_baseUrl = page.baseHref.isEmpty() ? m_pageUrl : m_pageUrl.resolved(QUrl(page.baseHref));
    m_noScroll = page.noScroll;
    applyScrollPolicy();
    for (const auto& player : page.players)
        m_playerSizes.append(QSize(player.width, player.height));

    document()->setDocumentMargin(page.noMargin ? 0 : 8);
    document()->setBaseUrl(m_baseUrl);
    setHtml(page.html);
    document()->setBaseUrl(m_baseUrl);
    m_blank = false;

    for (int i = 0; i < page.players.size(); ++i)
        startPlayer(i, page.players.at(i));
    placePlayers();
}

QVariant HtmlView::loadResource(int type, const QUrl& name)
{
    // No style sheets or frames: only images, fetched in the background.
    if (type != QTextDocument::ImageResource || name.scheme() == QLatin1String("data"))
        return {};
    if (const int i = HtmlPage::PlaceholderIndex(name); i >= 0)
        return transparentImage(m_playerSizes.value(i));

    const QUrl url = m_baseUrl.resolved(name);
    if (!m_requested.contains(url)) {
        m_requested.insert(url);
        fetch(url, [this, name, url](bool ok, const QByteArray& data, const QByteArray&) {
            imageArrived(name, url, ok, data);
        });
    }
    // Stands in until the image arrives; the page's own width and height keep its place.
    return transparentImage(QSize(1, 1));
}

void HtmlView::imageArrived(const QUrl& name, const QUrl& url, bool ok, const QByteArray& data)
{
    QImage image = ok ? QImage::fromData(data) : QImage();
    if (image.isNull()) {
        emit resourceLoaded(url, false);
        return;
    }

    auto publish = [this, name, url](const QImage& frame) {
        document()->addResource(QTextDocument::ImageResource, name, frame);
        if (url != name)
            document()->addResource(QTextDocument::ImageResource, url, frame);
    };
    publish(image);

    if (QMovie* movie = GifAnimation::Start(data, this)) {
        connect(movie, &QMovie::frameChanged, this, [this, movie, publish] {
            publish(movie->currentImage());
            viewport()->update();
        });
        m_movies.append(movie);
        movie->setPaused(!isVisible());
    }

    // The real size may differ from the stand-in: lay the page out again.
    document()->markContentsDirty(0, document()->characterCount());
    viewport()->update();
    placePlayers();
    emit resourceLoaded(url, true);
}

void HtmlView::startPlayer(int index, const HtmlPage::PlayerObject& object)
{
    auto* player = new BannerPlayer(viewport());
    player->resize(m_playerSizes.value(index));
    player->show();
    m_players.append(player);
    connect(player, &BannerPlayer::activated, this,
            [this](const QString& url) { openLink(m_baseUrl.resolved(QUrl(url))); });

    const QUrl settingsUrl = m_baseUrl.resolved(QUrl(object.settings));
    QPointer<BannerPlayer> guard(player);
    fetch(settingsUrl, [this, guard](bool ok, const QByteArray& xml, const QByteArray&) {
        const auto settings = ok ? BannerSettings::Parse(xml) : std::nullopt;
        if (!guard || !settings) {
            emit resourceLoaded({}, false);
            return;
        }
        guard->SetSettings(*settings);
        const QUrl imageUrl = m_baseUrl.resolved(QUrl(settings->imgURL));
        fetch(imageUrl,
              [this, guard, imageUrl](bool ok, const QByteArray& data, const QByteArray&) {
                  const bool shown = ok && guard && guard->SetImage(data);
                  emit resourceLoaded(imageUrl, shown);
              });
    });
}

void HtmlView::placePlayers()
{
    if (m_players.isEmpty())
        return;
    QAbstractTextDocumentLayout* layout = document()->documentLayout();
    const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat())
                continue;
            const int index = HtmlPage::PlaceholderIndex(QUrl(format.toImageFormat().name()));
            if (index < 0 || index >= m_players.size())
                continue;
            const QRectF blockRect = layout->blockBoundingRect(block);
            const QTextLine line =
                block.layout()->lineForTextPosition(fragment.position() - block.position());
            if (!line.isValid())
                continue;
            const QSize size = m_playerSizes.value(index);
            const qreal x = blockRect.x() + line.cursorToX(fragment.position() - block.position());
            const qreal y =
                blockRect.y() + std::max(line.y(), line.y() + line.ascent() - size.height());
            m_players.at(index)->setGeometry(QRect(QPointF(x, y).toPoint() - scroll, size));
        }
    }
}

void HtmlView::resizeEvent(QResizeEvent* event)
{
    QTextBrowser::resizeEvent(event);
    placePlayers();
}

void HtmlView::scrollContentsBy(int dx, int dy)
{
    QTextBrowser::scrollContentsBy(dx, dy);
    placePlayers();
}

void HtmlView::showEvent(QShowEvent* event)
{
    QTextBrowser::showEvent(event);
    for (QMovie* movie : std::as_const(m_movies))
        movie->setPaused(false);
}

void HtmlView::hideEvent(QHideEvent* event)
{
    QTextBrowser::hideEvent(event);
    // A window hidden in the tray spends nothing on animations.
    for (QMovie* movie : std::as_const(m_movies))
        movie->setPaused(true);
}

void HtmlView::openLink(const QUrl& link)
{
    // Pages come from the network: they may send the user to the web or to mail, but never make
    // the desktop open a local file or program.
    const QString scheme = link.scheme().toLower();
    if (!isWebScheme(link) && scheme != QLatin1String("mailto"))
        return;
    if (m_opener)
        m_opener(link);
    else
        QDesktopServices::openUrl(link);
}
