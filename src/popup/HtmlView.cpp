#include "HtmlView.h"

#include "BannerPlayer.h"
#include "GifAnimation.h"
#include "HttpTransport.h"
#include "NetFetch.h"

#include <QAbstractTextDocumentLayout>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMovie>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextFragment>
#include <QTextLayout>
#include <QTimer>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

bool isWebScheme(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// Every stand-in is one transparent pixel: the page gives each its width and height, and a
// stand-in of the full size would hold a banner's worth of memory for nothing.
QImage transparentImage()
{
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
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
        // An image is shown as one; anything else that is no page gives a blank page.
        const auto kind = ok ? HtmlPage::Classify(type, body) : HtmlPage::Kind::Other;
        if (kind == HtmlPage::Kind::Html)
            showPage(body, type);
        else if (kind == HtmlPage::Kind::Image)
            showImage(body);
        else
            showBlank();
        emit loadFinished(kind != HtmlPage::Kind::Other);
    });
}

void HtmlView::fetch(const QUrl& url, qint64 maxBytes, Done done)
{
    const quint64 generation = m_generation;
    if (!isWebScheme(url)) {
        // Local files are delivered from the event loop, so that a page never appears in the
        // middle of the call that asked for it.
        ++m_localPending;
        QMetaObject::invokeMethod(
            this,
            [this, generation, url, maxBytes, done = std::move(done)] {
                --m_localPending;
                if (generation != m_generation)
                    return;
                const auto data = url.isLocalFile()
                                      ? HtmlPage::ReadLocalFile(url.toLocalFile(), maxBytes)
                                      : std::nullopt;
                done(data.has_value(), data.value_or(QByteArray()), {});
            },
            Qt::QueuedConnection);
        return;
    }

    NetBackend::FetchRequest request;
    request.url = url;
    request.transferTimeoutMs = m_timeoutMs;
    request.deadlineMs = m_timeoutMs; // a page trickling in never holds its connection longer
    request.maxBytes = maxBytes;
    auto* reply = new NetFetch(
        request,
        [this, generation, done = std::move(done)](NetFetch* reply,
                                                   const NetFetch::Answer& answer) {
            m_replies.removeOne(reply);
            reply->deleteLater();
            if (generation != m_generation)
                return;
            const bool ok = answer.ok && answer.status < 400;
            done(ok, ok ? answer.body : QByteArray(), answer.contentType);
        },
        this);
    m_replies.append(reply);
}

void HtmlView::cancelLoads()
{
    ++m_generation; // late local loads and replies see a stale generation and drop out
    const auto replies = std::exchange(m_replies, {});
    for (NetFetch* reply : replies) {
        reply->Abort();
        reply->deleteLater();
    }
}

void HtmlView::clearPage()
{
    for (const Animation& animation : std::exchange(m_movies, {}))
        delete animation.movie;
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

void HtmlView::showImage(const QByteArray& body)
{
    clearPage();
    m_baseUrl = m_pageUrl;
    m_noScroll = false;
    applyScrollPolicy();
    document()->setDocumentMargin(0);
    // The picture is already here: the page that shows it must not fetch it again.
    m_requested.insert(m_pageUrl);
    const QString source = m_pageUrl.toString(QUrl::FullyEncoded).toHtmlEscaped();
    setHtml(u"<html><body><img src=\""_s + source + u"\"></body></html>"_s);
    m_blank = false;
    imageArrived(m_pageUrl, m_pageUrl, true, body);
}

void HtmlView::refuse(const QUrl& url)
{
    QMetaObject::invokeMethod(
        this, [this, url] { emit resourceLoaded(url, false); }, Qt::QueuedConnection);
}

QVariant HtmlView::loadResource(int type, const QUrl& name)
{
    // No style sheets or frames: only images, fetched in the background.
    if (type != QTextDocument::ImageResource || name.scheme() == QLatin1String("data"))
        return {};
    if (const int i = HtmlPage::PlaceholderIndex(name); i >= 0)
        return transparentImage();

    const QUrl url = m_baseUrl.resolved(name);
    if (!m_requested.contains(url)) {
        m_requested.insert(url);
        if (!HtmlPage::MayLoad(m_pageUrl, url)) {
            refuse(url);
            return transparentImage();
        }
        fetch(url, [this, name, url](bool ok, const QByteArray& data, const QByteArray&) {
            imageArrived(name, url, ok, data);
        });
    }
    // Stands in until the image arrives; the page's own width and height keep its place.
    return transparentImage();
}

void HtmlView::imageArrived(const QUrl& name, const QUrl& url, bool ok, const QByteArray& data)
{
    const QImage image = ok ? GifAnimation::FirstFrame(data) : QImage();
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
        m_movies.append({name, movie});
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
    if (!HtmlPage::MayLoad(m_pageUrl, settingsUrl)) {
        refuse(settingsUrl);
        return;
    }
    QPointer<BannerPlayer> guard(player);
    // A settings file is a few lines: it gets the small cap of the vendor's lists.
    fetch(settingsUrl, HttpTransport::kListLimit,
          [this, guard](bool ok, const QByteArray& xml, const QByteArray&) {
              const auto settings = ok ? BannerSettings::Parse(xml) : std::nullopt;
              if (!guard || !settings) {
                  emit resourceLoaded({}, false);
                  return;
              }
              guard->SetSettings(*settings);
              const QUrl imageUrl = m_baseUrl.resolved(QUrl(settings->imgURL));
              if (!HtmlPage::MayLoad(m_pageUrl, imageUrl)) {
                  emit resourceLoaded(imageUrl, false);
                  return;
              }
              fetch(imageUrl,
                    [this, guard, imageUrl](bool ok, const QByteArray& data, const QByteArray&) {
                        const bool shown = ok && guard && guard->SetImage(data);
                        emit resourceLoaded(imageUrl, shown);
                    });
          });
}

QList<HtmlView::ImagePlace> HtmlView::imagePlaces() const
{
    QList<ImagePlace> places;
    QAbstractTextDocumentLayout* layout = document()->documentLayout();
    layout->documentSize(); // lays out what is not laid out yet
    const QPointF scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat())
                continue;
            const QTextImageFormat image = format.toImageFormat();
            const int at = fragment.position() - block.position();
            const QTextLine line = block.layout()->lineForTextPosition(at);
            if (!line.isValid())
                continue;
            const QRectF blockRect = layout->blockBoundingRect(block);
            const QPointF origin(blockRect.x() + line.cursorToX(at), blockRect.y() + line.y());
            places.append({image.name(), origin - scroll, line.ascent(),
                           QSizeF(image.width(), image.height())});
        }
    }
    return places;
}

void HtmlView::placePlayers()
{
    if (!m_players.isEmpty()) {
        for (const ImagePlace& place : imagePlaces()) {
            const int index = HtmlPage::PlaceholderIndex(QUrl(place.name));
            if (index < 0 || index >= m_players.size())
                continue;
            const QSize size = m_playerSizes.value(index);
            const qreal y =
                std::max(place.origin.y(), place.origin.y() + place.ascent - size.height());
            m_players.at(index)->setGeometry(QRect(QPointF(place.origin.x(), y).toPoint(), size));
        }
    }
    updateAnimations();
}

QRect HtmlView::shownArea() const
{
    if (!isVisible() || window()->isMinimized())
        return {};
    // The part of the viewport that is on a screen: a window slid past the screen's edge, or
    // scrolled parts of the page, show nothing.
    const QRect viewRect = viewport()->visibleRegion().boundingRect();
    const QPoint offset = viewport()->mapToGlobal(QPoint(0, 0));
    QRect shown;
    for (const QScreen* screen : QGuiApplication::screens())
        shown |= viewRect.translated(offset).intersected(screen->geometry());
    return shown.translated(-offset);
}

void HtmlView::updateAnimations()
{
    if (m_movies.isEmpty() && m_players.isEmpty())
        return;
    const QRect shown = shownArea();
    const QList<ImagePlace> places = shown.isEmpty() ? QList<ImagePlace>() : imagePlaces();
    for (const Animation& animation : std::as_const(m_movies)) {
        const QSize frame = animation.movie->currentImage().size();
        bool inView = false;
        for (const ImagePlace& place : places) {
            // The page names it relative to its base; the document asks for it resolved.
            if (m_baseUrl.resolved(QUrl(place.name)) != m_baseUrl.resolved(animation.name))
                continue;
            const QSizeF size = place.size.isEmpty() ? QSizeF(frame) : place.size;
            const qreal top =
                std::max(place.origin.y(), place.origin.y() + place.ascent - size.height());
            inView = inView || QRectF(QPointF(place.origin.x(), top), size)
                                   .intersects(QRectF(shown).adjusted(-1, -1, 1, 1));
        }
        // An animation nobody can see costs a decode per frame for nothing.
        GifAnimation::SetRunning(*animation.movie, inView);
    }
    for (BannerPlayer* player : std::as_const(m_players))
        player->SetInView(player->geometry().intersects(shown));
}

bool HtmlView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_watchedWindow) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
        case QEvent::Show:
        case QEvent::Hide:
            updateAnimations();
            break;
        default:
            break;
        }
    }
    return QTextBrowser::eventFilter(watched, event);
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
    // The window's moves and state tell whether the page is on screen.
    if (m_watchedWindow != window()) {
        if (m_watchedWindow)
            m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = window();
        m_watchedWindow->installEventFilter(this);
    }
    updateAnimations();
}

void HtmlView::hideEvent(QHideEvent* event)
{
    QTextBrowser::hideEvent(event);
    // A window hidden in the tray spends nothing on animations.
    updateAnimations();
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
