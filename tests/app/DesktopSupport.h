// The real verbalto program under an X server, driven from outside with xdotool.
#pragma once

#include "TestHttpServer.h"
#include "TestUtil.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

namespace DesktopSupport {

inline bool HaveTools(const QStringList& tools)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    for (const QString& tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return false;
    }
    return true;
}

// Translation requests the server has seen (the vendor's paths are left out).
inline QList<RecordedRequest> Translations(const TestHttpServer& server)
{
    QList<RecordedRequest> found;
    for (const RecordedRequest& r : server.requests()) {
        if (r.path == "/translate_t")
            found << r;
    }
    return found;
}

inline QString xdotool(const QStringList& args)
{
    return TestUtil::runTool(QStringLiteral("xdotool"), args);
}

// The main window of a running verbalto: of its mapped windows (the popup and a balloon carry
// the program's name too), the one 624 pixels wide; "" when none shows.
inline QString MainWindowOf(qint64 pid)
{
    const QString ids =
        xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                 QString::number(pid), QStringLiteral("--name"), QStringLiteral("^Verbalto$")});
    for (const QString& id : ids.split(u'\n', Qt::SkipEmptyParts)) {
        if (xdotool({QStringLiteral("getwindowgeometry"), id})
                .contains(QStringLiteral("Geometry: 624x")))
            return id;
    }
    return {};
}

// Another program selects text (X11's PRIMARY); null when it never got the selection.
inline std::unique_ptr<QProcess> SelectElsewhere(const QByteArray& text)
{
    auto p = std::make_unique<QProcess>();
    p->start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                                       QStringLiteral("primary"), QStringLiteral("-i")});
    p->waitForStarted(5000);
    p->write(text);
    p->closeWriteChannel();
    const bool held = TestUtil::waitUntil(
        [&] {
            return TestUtil::runTool(QStringLiteral("xclip"),
                                     {QStringLiteral("-o"), QStringLiteral("-selection"),
                                      QStringLiteral("primary")}) == QString::fromUtf8(text);
        },
        5000);
    return held ? std::move(p) : nullptr;
}

class Verbalto
{
  public:
    explicit Verbalto(const TestHttpServer& server) : m_server(server)
    {
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        m_env.insert(QStringLiteral("VERBALTO_TRANSLATE_URL"), server.baseUrl());
        m_env.insert(QStringLiteral("VERBALTO_VENDOR_URL"), server.baseUrl());
        m_env.insert(QStringLiteral("VERBALTO_NO_AUDIO"), QStringLiteral("1"));
        m_env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        // The socket hands over unless a test gives a bus: never to the user's own Verbalto.
        m_env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    }
    ~Verbalto() { stop(); }

    void setEnv(const QString& name, const QString& value) { m_env.insert(name, value); }

    // Writes the settings file before the start; the loopback server plays the page service
    // unless the file chooses another.
    void setSettings(const QByteArray& ini)
    {
        QDir().mkpath(config.path() + QStringLiteral("/Verbalto"));
        TestUtil::writeFile(config.path() + QStringLiteral("/Verbalto/Verbalto.ini"),
                            ini.contains("[Service]") ? ini : ini + "\n[Service]\nName=page\n");
    }

    bool start(const QStringList& args = {})
    {
        // Fresh settings, but for the service that the loopback server plays.
        if (!QFileInfo::exists(config.path() + QStringLiteral("/Verbalto/Verbalto.ini")))
            setSettings({});
        m_process.setProcessEnvironment(m_env);
        if (m_wrapper.isEmpty())
            m_process.start(TestUtil::binPath(QStringLiteral("verbalto")), args);
        else
            m_process.start(m_wrapper.first(),
                            m_wrapper.mid(1) +
                                QStringList{TestUtil::binPath(QStringLiteral("verbalto"))} + args);
        return m_process.waitForStarted();
    }
    // Starts the program through another (unshare -n: with no network).
    void startThrough(const QStringList& wrapper) { m_wrapper = wrapper; }

    void setEnvironment(const QString& name, const QString& value) { m_env.insert(name, value); }
    void unsetEnvironment(const QString& name) { m_env.remove(name); }

    // Runs with the settings and working folders of another (the same user's session).
    void shareFoldersWith(const Verbalto& other)
    {
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), other.config.path());
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), other.runtime.path());
    }
    // Waits for the program to end; its exit status, or -1 when it is still running.
    int waitForExit(int timeoutMs = 15000)
    {
        if (!m_process.waitForFinished(timeoutMs))
            return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -2;
    }
    bool running() const { return m_process.state() != QProcess::NotRunning; }

    // The mapped main window's id, or "" when none shows within the time.
    QString waitForWindow(int timeoutMs = 15000)
    {
        TestUtil::waitUntil([&] { return !(m_window = mappedWindow()).isEmpty(); }, timeoutMs);
        if (!m_window.isEmpty()) {
            const QString geometry = xdotool({QStringLiteral("getwindowgeometry"), m_window});
            const int height =
                geometry.section(QStringLiteral("Geometry: "), 1).section(u'x', 1).toInt();
            m_menuBar = height - 490;
        }
        return m_window;
    }

    QString mappedWindow() const { return MainWindowOf(m_process.processId()); }

    // A click at a position inside Pic1, the area below the banner.
    void clickPic1(int x, int y)
    {
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_window,
                 QString::number(x), QString::number(m_menuBar + 61 + y), QStringLiteral("click"),
                 QStringLiteral("1")});
    }
    void type(const QString& text)
    {
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
    }
    void key(const QString& name) { xdotool({QStringLiteral("key"), name}); }
    void screenshot(const QString& name)
    {
        QDir().mkpath(TestUtil::binPath(QStringLiteral("../screenshots")));
        TestUtil::runTool(QStringLiteral("import"),
                          {QStringLiteral("-window"), m_window,
                           TestUtil::binPath(QStringLiteral("../screenshots/")) + name});
    }
    int menuBarHeight() const { return m_menuBar; }
    qint64 pid() const { return m_process.processId(); }
    // What the program wrote to stderr so far.
    QByteArray errors() { return m_errors += m_process.readAllStandardError(); }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished();
    }

    QTemporaryDir config, runtime;

  private:
    const TestHttpServer& m_server;
    QProcessEnvironment m_env;
    QStringList m_wrapper;
    QProcess m_process;
    QByteArray m_errors;
    QString m_window;
    int m_menuBar = 0;
};

// A real tray host for the test's lifetime.
class Trayer
{
  public:
    bool start()
    {
        m_process.start(QStringLiteral("trayer"),
                        {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                         QStringLiteral("right"), QStringLiteral("--widthtype"),
                         QStringLiteral("request"), QStringLiteral("--height"),
                         QStringLiteral("24")});
        if (!m_process.waitForStarted(5000))
            return false;
        return TestUtil::waitUntil(
            [] {
                return TestUtil::runTool(QStringLiteral("xwininfo"),
                                         {QStringLiteral("-root"), QStringLiteral("-tree")})
                    .contains(QStringLiteral("(\"panel\" \"trayer\")"));
            },
            10000);
    }
    // Whether some window of the given program sits inside the tray panel.
    static bool holdsIconOf(qint64 pid) { return !iconOf(pid).isEmpty(); }

    // The program's window inside the tray panel (its icon), or "".
    static QString iconOf(qint64 pid)
    {
        const QString panel = TestUtil::runTool(
            QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--class"), QStringLiteral("trayer")});
        const QString ours = TestUtil::runTool(
            QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--pid"), QString::number(pid)});
        for (const QString& p : panel.split(u'\n', Qt::SkipEmptyParts)) {
            const QString tree = TestUtil::runTool(
                QStringLiteral("xwininfo"), {QStringLiteral("-tree"), QStringLiteral("-id"), p});
            for (const QString& w : ours.split(u'\n', Qt::SkipEmptyParts)) {
                if (tree.contains(QStringLiteral("0x%1 ").arg(w.toULongLong(), 0, 16)))
                    return w;
            }
        }
        return {};
    }
    void stop()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    ~Trayer() { stop(); }

  private:
    QProcess m_process;
};

// A real window manager (openbox) for the test's lifetime, unless one already runs: without one
// the faults of hiding and restoring a window do not show.
class WindowManager
{
  public:
    bool start()
    {
        if (running())
            return true;
        m_process.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        if (!m_process.waitForStarted(5000))
            return false;
        return TestUtil::waitUntil([] { return running(); }, 10000);
    }
    // Whether a window manager has announced itself on the root window and is still there.
    static bool running()
    {
        const QString check = TestUtil::runTool(
            QStringLiteral("xprop"),
            {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        const QString id = check.section(QStringLiteral("# "), 1).trimmed();
        if (id.isEmpty())
            return false;
        QProcess info;
        info.start(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
        return info.waitForFinished(5000) && info.exitCode() == 0;
    }
    ~WindowManager()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

  private:
    QProcess m_process;
};

// A private session bus for the test's lifetime; the test's own tools (gdbus, dunstctl) talk to
// it too. Programs the bus starts on demand (the panel's settings store) read their settings
// from configHome.
class SessionBus
{
  public:
    // dataHome: where it finds the services it starts on demand (in dbus-1/services).
    bool start(const QString& configHome, const QString& dataHome = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        if (!dataHome.isEmpty())
            env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        m_process.setProcessEnvironment(env);
        // A socket in the file system (not an abstract one), so that a program in a network
        // namespace of its own reaches the bus too.
        m_process.start(QStringLiteral("dbus-daemon"),
                        {QStringLiteral("--session"), QStringLiteral("--nofork"),
                         QStringLiteral("--address=unix:dir=") + m_socketFolder.path(),
                         QStringLiteral("--print-address=1")});
        if (!m_process.waitForStarted(5000) ||
            !TestUtil::waitUntil([&] { return m_process.canReadLine(); }, 5000))
            return false;
        m_address = QString::fromUtf8(m_process.readLine()).trimmed();
        m_saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
        return true;
    }
    QString address() const { return m_address; }
    ~SessionBus()
    {
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_saved);
        m_process.kill();
        m_process.waitForFinished(5000);
    }

  private:
    QTemporaryDir m_socketFolder;
    QProcess m_process;
    QString m_address;
    QByteArray m_saved;
};

// Reads a property of the StatusNotifierItem watcher through gdbus ("" without a watcher).
inline QString WatcherProperty(const QString& name)
{
    return TestUtil::runTool(QStringLiteral("gdbus"),
                             {QStringLiteral("call"), QStringLiteral("--session"),
                              QStringLiteral("-d"), QStringLiteral("org.kde.StatusNotifierWatcher"),
                              QStringLiteral("-o"), QStringLiteral("/StatusNotifierWatcher"),
                              QStringLiteral("-m"),
                              QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                              QStringLiteral("org.kde.StatusNotifierWatcher"), name});
}

// A tray that speaks StatusNotifierItem: xfce4-panel with one panel holding its status tray.
class StatusTray
{
  public:
    // The settings folder the session bus hands to the panel's settings store.
    static QString writeConfig(const QString& configHome)
    {
        const QString folder = configHome + QStringLiteral("/xfce4/xfconf/xfce-perchannel-xml");
        QDir().mkpath(folder);
        TestUtil::writeFile(folder + QStringLiteral("/xfce4-panel.xml"),
                            R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="size" type="uint" value="26"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
)");
        return configHome;
    }
    bool start()
    {
        m_process.start(QStringLiteral("xfce4-panel"), {QStringLiteral("--disable-wm-check")});
        if (!m_process.waitForStarted(5000))
            return false;
        return TestUtil::waitUntil(
            [] {
                return WatcherProperty(QStringLiteral("IsStatusNotifierHostRegistered"))
                    .contains(QStringLiteral("true"));
            },
            20000);
    }
    // The bus name and path of the first registered item ("" for none).
    static QString firstItem()
    {
        const QString items = WatcherProperty(QStringLiteral("RegisteredStatusNotifierItems"));
        return items.section(u'\'', 1, 1);
    }
    ~StatusTray()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

  private:
    QProcess m_process;
};

// A notification server (dunst) that keeps every notification, also one equal to the last.
class NotificationServer
{
  public:
    bool start(const QString& folder)
    {
        const QString config = folder + QStringLiteral("/dunstrc");
        TestUtil::writeFile(config, "[global]\nstack_duplicates = false\n");
        m_process.start(QStringLiteral("dunst"), {QStringLiteral("-config"), config});
        if (!m_process.waitForStarted(5000))
            return false;
        return TestUtil::waitUntil(
            [] {
                return TestUtil::runTool(QStringLiteral("dunstctl"), {QStringLiteral("is-paused")})
                    .contains(QStringLiteral("false"));
            },
            10000);
    }
    // The notifications that arrived from the given application, oldest last.
    static QJsonArray fromApp(const QString& app)
    {
        TestUtil::runTool(QStringLiteral("dunstctl"), {QStringLiteral("close-all")});
        QThread::msleep(300);
        const QJsonDocument history = QJsonDocument::fromJson(
            TestUtil::runTool(QStringLiteral("dunstctl"), {QStringLiteral("history")}).toUtf8());
        QJsonArray ours;
        for (const QJsonValue& n : history[QStringLiteral("data")][0].toArray()) {
            if (n[QStringLiteral("appname")][QStringLiteral("data")].toString() == app)
                ours.append(n);
        }
        return ours;
    }
    ~NotificationServer()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

  private:
    QProcess m_process;
};

} // namespace DesktopSupport
