#include "Promotions.h"

#include "FormMsg.h"
#include "GetSysPath.h"
#include "HtmlView.h"
#include "HttpTransport.h"
#include "ModNetOnline.h"
#include "OfflineBanner.h"
#include "ServiceConfig.h"

#include <QGuiApplication>

Promotions::Promotions(HtmlView* banner, Config config, QObject* parent)
    : QObject(parent), m_banner(banner), m_config(std::move(config))
{
    if (!m_config.isOnline)
        m_config.isOnline = [] { return ModNetOnline::IsOnline(); };
    if (!m_config.tempFolder)
        m_config.tempFolder = [] { return GetSysPath::GetTempFolder(); };
    if (m_config.vendorBaseUrl.isEmpty())
        m_config.vendorBaseUrl = ServiceConfig::VendorBaseUrl();
    m_timer3.setParent(this);
    m_timer3.setInterval(m_config.timer3Ms);
    connect(&m_timer3, &QTimer::timeout, this, &Promotions::Timer3_Timer);
}

Promotions::~Promotions()
{
    UnloadPopup();
}

QUrl Promotions::PromotionListUrl() const
{
    return QUrl(m_config.vendorBaseUrl + QStringLiteral("/Vbxpromo/ADC1.txt"));
}

FormMsg* Promotions::Popup() const
{
    return m_popup.data();
}

void Promotions::ShowOfflineBanner()
{
    const QString folder = m_config.tempFolder();
    OfflineBanner::WriteMissingFiles(folder);
    if (m_banner)
        m_banner->Navigate(OfflineBanner::PagePath(folder));
}

void Promotions::ShowDailySentence()
{
    // Where the popup cannot place itself (Wayland) it could land on the main window.
    if (m_dailyShown || QGuiApplication::platformName().startsWith(u"wayland"))
        return;
    m_dailyShown = true;
    FormMsg::Options options;
    options.page = QUrl(m_config.vendorBaseUrl + QStringLiteral("/verbalto.html"));
    options.tickMs = m_config.popupTickMs;
    options.slotMask = m_config.popupSlotMask;
    m_popup = new FormMsg(options);
    m_popup->DisplayMessage(QStringLiteral("每日一句学英语"), -1, false, false, true,
                            30 | (178 << 8) | (239 << 16), true);
}

void Promotions::StartTimer3()
{
    m_timer3.start();
}

void Promotions::UnloadPopup()
{
    if (m_popup)
        delete m_popup.data();
}

void Promotions::Timer3_Timer()
{
    // The list fetch waits in a local event loop where timers still fire: never nest a tick,
    // and leave the tick out while another request holds the window.
    if (m_inTick || HttpTransport::Busy())
        return;
    m_inTick = true;
    const QUrl listUrl = PromotionListUrl();
    const PromoTick::Action action = m_tick.Timer3_Timer(m_config.isOnline(), [this, &listUrl] {
        return m_config.getRemoteText ? m_config.getRemoteText(listUrl) : QString();
    });
    m_inTick = false;

    switch (action.kind) {
    case PromoTick::Action::Kind::ShowOffline:
        ShowOfflineBanner();
        break;
    case PromoTick::Action::Kind::Navigate:
        if (m_banner)
            m_banner->NavigateUrl(action.url);
        break;
    case PromoTick::Action::Kind::Nothing:
        break;
    }
}
