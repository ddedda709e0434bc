// A light HTML view on QTextBrowser for the banner and the popup: loads a local file or an
// http(s) page and its images asynchronously through the program's one network manager, plays
// GIF animations while they are in view, hosts our banner player where a page embeds it, and
// opens clicked links in the default browser. It runs no scripts and shows a blank page when a
// load fails. A page from the network reaches only the network, never local files; every page
// and resource is capped in size and every picture in pixels.
#pragma once

#include "HtmlPage.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QTextBrowser>
#include <QUrl>
#include <functional>

class BannerPlayer;
class QMovie;
class NetFetch;

class HtmlView final : public QTextBrowser
{
    Q_OBJECT
  public:
    using LinkOpener = std::function<void(const QUrl&)>;

    static constexpr qint64 kMaxBytes = HtmlPage::kMaxBytes; // per page or resource
    static constexpr int kDefaultTimeoutMs = HttpTransport::kDefaultTimeoutMs;

    explicit HtmlView(QWidget* parent = nullptr);
    ~HtmlView() override;

    // A local path, a file: URL or an http(s) address; anything else gives a blank page.
    void Navigate(const QString& address);
    void NavigateUrl(const QUrl& url);

    QUrl PageUrl() const { return m_pageUrl; }
    bool IsBlank() const { return m_blank; }
    int PendingLoads() const { return static_cast<int>(m_replies.size()) + m_localPending; }
    QList<BannerPlayer*> Players() const { return m_players; }

    // Where clicked links go; by default the desktop's browser.
    void SetLinkOpener(LinkOpener opener) { m_opener = std::move(opener); }
    void SetTimeoutMs(int ms) { m_timeoutMs = ms; }
    // Whether scroll bars may appear; a page with <body scroll="no"> never has them.
    void SetScrollBarsAllowed(bool allowed);

  signals:
    void loadFinished(bool ok);
    void resourceLoaded(const QUrl& url, bool ok);

  protected:
    QVariant loadResource(int type, const QUrl& name) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Animation
    {
        QUrl name;
        QMovie* movie;
    };
    // An image in the laid-out page, in viewport coordinates.
    struct ImagePlace
    {
        QString name;
        QPointF origin; // left end of its line's top
        qreal ascent;
        QSizeF size; // as the page gives it; empty when it does not
    };

    using Done = std::function<void(bool ok, const QByteArray& body, const QByteArray& type)>;

    void fetch(const QUrl& url, Done done) { fetch(url, kMaxBytes, std::move(done)); }
    void fetch(const QUrl& url, qint64 maxBytes, Done done);
    void cancelLoads();
    void clearPage();
    void showPage(const QByteArray& body, const QByteArray& contentType);
    void showBlank();
    void showImage(const QByteArray& body);
    void refuse(const QUrl& url);
    void imageArrived(const QUrl& name, const QUrl& url, bool ok, const QByteArray& data);
    void startPlayer(int index, const HtmlPage::PlayerObject& object);
    void placePlayers();
    void updateAnimations();
    QList<ImagePlace> imagePlaces() const;
    QRect shownArea() const;
    void openLink(const QUrl& link);
    void applyScrollPolicy();

    quint64 m_generation = 0;
    QUrl m_pageUrl;
    QUrl m_baseUrl;
    bool m_blank = true;
    bool m_noScroll = false;
    bool m_scrollAllowed = true;
    int m_timeoutMs = kDefaultTimeoutMs;
    int m_localPending = 0;
    LinkOpener m_opener;
    QList<NetFetch*> m_replies;
    QSet<QUrl> m_requested;
    QList<Animation> m_movies;
    QList<BannerPlayer*> m_players;
    QList<QSize> m_playerSizes;
    QPointer<QObject> m_watchedWindow;
};
