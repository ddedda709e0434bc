// The promotions that the main window runs: the banner (the vendor's promotion pages online,
// our offline banner otherwise) and the once-per-run daily-sentence popup.
#pragma once

#include "PromoTick.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <functional>

class FormMsg;
class HtmlView;

class Promotions final : public QObject
{
    Q_OBJECT
  public:
    struct Config
    {
        std::function<bool()> isOnline;                    // default: ModNetOnline::IsOnline
        std::function<QString(const QUrl&)> getRemoteText; // the list fetch, "" on failure
        std::function<QString()> tempFolder;               // default: GetSysPath::GetTempFolder
        QString vendorBaseUrl;                             // default: ServiceConfig
        int timer3Ms = 15000;
        int popupTickMs = 10;
        quint8* popupSlotMask = nullptr; // default: the process-wide slots
    };

    // banner is the main window's 620 x 60 view; it stays the caller's.
    Promotions(HtmlView* banner, Config config, QObject* parent = nullptr);
    ~Promotions() override;

    // Writes the offline banner files that are missing and shows the banner page.
    void ShowOfflineBanner();
    // The "每日一句学英语" popup, once per run of this object; later calls do nothing.
    void ShowDailySentence();
    // Starts the 15 s promotion tick.
    void StartTimer3();
    // The main window's final unload: the popup goes too, if it is still open.
    void UnloadPopup();

    QUrl PromotionListUrl() const;
    FormMsg* Popup() const;
    QTimer& Timer3() { return m_timer3; }
    const PromoTick& State() const { return m_tick; }
    PromoTick& State() { return m_tick; }

  public slots:
    void Timer3_Timer();

  private:
    QPointer<HtmlView> m_banner;
    Config m_config;
    PromoTick m_tick;
    QTimer m_timer3;
    QPointer<FormMsg> m_popup;
    bool m_dailyShown = false;
    bool m_inTick = false;
};
