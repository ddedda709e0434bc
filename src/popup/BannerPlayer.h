// Our native banner player: hosted by HtmlView where a page embeds the banner player object.
// It shows the image named by its settings file and animates it at the settings' speed.
#pragma once

#include "BannerSettings.h"

#include <QImage>
#include <QPainterPath>
#include <QTimer>
#include <QWidget>

class QMovie;

class BannerPlayer final : public QWidget
{
    Q_OBJECT
  public:
    explicit BannerPlayer(QWidget* parent = nullptr);

    void SetSettings(const BannerSettings& settings);
    // A still image, or an animated GIF that plays by itself. False when it is no image at all.
    bool SetImage(const QByteArray& data);

    // Whether the player is within the part of its page that is on screen; out of view it
    // animates nothing.
    void SetInView(bool inView);

    const BannerSettings& Settings() const { return m_settings; }
    bool HasImage() const;
    long long Frame() const { return m_frame; }
    // Whether it animates now: shown, in view, and its window neither hidden nor minimised.
    bool IsRunning() const;

    // The "more" mark centred at c: a chevron to fill.
    static QPainterPath MoreMark(QPoint c);

  signals:
    // The banner was clicked and its settings name an address.
    void activated(const QString& url);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void advance();
    void updateTimer();
    bool running() const;

    BannerSettings m_settings;
    QImage m_image;
    QMovie* m_movie = nullptr;
    QTimer m_timer;
    QTimer m_rest; // between two sweeps of the sheen
    long long m_frame = 0;
    bool m_inView = true;
};
