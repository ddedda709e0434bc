#include "TrayHostWatch.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>

namespace {
const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

xcb_connection_t* XConnection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const QByteArray& name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, false, quint16(name.size()), name.constData()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

QDBusMessage HostQuery()
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    return get;
}

// The screen number of $DISPLAY (":0.1" is screen 1), as the tray's selection is named by it.
QByteArray ScreenNumber()
{
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray place = display.mid(display.lastIndexOf(':') + 1);
    const qsizetype dot = place.indexOf('.');
    return dot < 0 || dot + 1 == place.size() ? QByteArray("0") : place.mid(dot + 1);
}
} // namespace

TrayHostWatch::TrayHostWatch(QObject* parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        m_watcher = new QDBusServiceWatcher(kWatcherService, bus,
                                            QDBusServiceWatcher::WatchForRegistration |
                                                QDBusServiceWatcher::WatchForUnregistration,
                                            this);
        connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this,
                &TrayHostWatch::AskStatusNotifierHost);
        connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this,
                [this] { SetStatusNotifierHost(false); });
        // A watcher may come up before its host: the host's arrival is announced.
        bus.connect(kWatcherService, kWatcherPath, kWatcherService,
                    QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(OnHostRegistered()));
        if (bus.interface()->isServiceRegistered(kWatcherService)) {
            const QDBusMessage reply = bus.call(HostQuery(), QDBus::Block, 2000);
            m_statusNotifierHost =
                reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
                reply.arguments().first().value<QDBusVariant>().variant().toBool();
        }
    }
    WatchXEmbed();
}

TrayHostWatch::~TrayHostWatch()
{
    if (m_trayAtom)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void TrayHostWatch::OnHostRegistered()
{
    SetStatusNotifierHost(true);
}

void TrayHostWatch::AskStatusNotifierHost()
{
    auto* pending =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(HostQuery()), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<QDBusVariant> reply = *call;
                call->deleteLater();
                // No host yet: its StatusNotifierHostRegistered will tell.
                if (!reply.isError() && reply.value().variant().toBool())
                    SetStatusNotifierHost(true);
            });
}

void TrayHostWatch::SetStatusNotifierHost(bool present)
{
    if (present == m_statusNotifierHost)
        return;
    m_statusNotifierHost = present;
    emit changed();
}

void TrayHostWatch::WatchXEmbed()
{
    xcb_connection_t* c = XConnection();
    if (!c)
        return;
    m_trayAtom = Atom(c, "_NET_SYSTEM_TRAY_S" + ScreenNumber());
    m_managerAtom = Atom(c, "MANAGER");
    // Qt listens to the root window's structure events, which carry a new tray's MANAGER
    // announcement; the filter sees them first.
    QCoreApplication::instance()->installNativeEventFilter(this);
    FollowXEmbedOwner();
}

void TrayHostWatch::FollowXEmbedOwner()
{
    xcb_connection_t* c = XConnection();
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_trayAtom), nullptr);
    m_xembedOwner = reply ? reply->owner : 0;
    free(reply);
    if (m_xembedOwner) {
        // Its end is the tray's end.
        const quint32 mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, m_xembedOwner, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
    }
}

bool TrayHostWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_CLIENT_MESSAGE: {
        const auto* cm = static_cast<const xcb_client_message_event_t*>(message);
        if (cm->type == m_managerAtom && cm->data.data32[1] == m_trayAtom) {
            FollowXEmbedOwner();
            emit changed();
        }
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
        if (m_xembedOwner && destroyed->window == m_xembedOwner) {
            m_xembedOwner = 0;
            emit changed();
        }
        break;
    }
    default:
        break;
    }
    // Qt's own tray icon listens to the same events.
    return false;
}
