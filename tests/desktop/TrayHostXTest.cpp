// Against a real X server: the tray icon docks in a real tray host and comes back after the
// host restarts; the clipboard monitor hears a real second program's copies.
#include "ClipMonitor.h"
#include "SysTray.h"
#include "TestUtil.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {
bool HaveTools(const QStringList& tools)
{
    for (const QString& tool : tools)
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return false;
    return true;
}

#define REQUIRE_X_AND(...)                                                                         \
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !HaveTools({__VA_ARGS__}))      \
    GTEST_SKIP() << "needs an X display and "                                                      \
                 << QStringList{__VA_ARGS__}.join(QLatin1Char(' ')).toStdString()

QString RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// The tray host's panel window, found in the root window's tree, or 0.
qulonglong TrayPanel()
{
    static const QRegularExpression line(
        QStringLiteral(R"((0x[0-9a-f]+) "panel": \("panel" "trayer"\))"));
    const QRegularExpressionMatch m = line.match(
        RunTool(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")}));
    return m.hasMatch() ? m.captured(1).toULongLong(nullptr, 16) : 0;
}

// Whether window is somewhere below the panel, as an outside program sees the tree.
bool DockedIn(qulonglong panel, qulonglong window)
{
    if (!panel || !window)
        return false;
    const QString tree =
        RunTool(QStringLiteral("xwininfo"),
                {QStringLiteral("-tree"), QStringLiteral("-id"), QString::number(panel)});
    return tree.contains(QStringLiteral("0x%1 ").arg(window, 0, 16));
}

// Our icon's own X window: the one top-level widget that is neither the test window nor a menu.
qulonglong IconWindow(const QWidget* exclude)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != exclude && !qobject_cast<QMenu*>(w) && w->isVisible() &&
            QByteArray(w->metaObject()->className()).contains("SystemTray"))
            return w->winId();
    }
    return 0;
}

// The icon window's place on the screen as the X server has it.
QPoint RootPosition(qulonglong window)
{
    const QString info =
        RunTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)});
    static const QRegularExpression corner(
        QStringLiteral(R"(Absolute upper-left X:\s+(-?\d+)\s+Absolute upper-left Y:\s+(-?\d+))"));
    const QRegularExpressionMatch m = corner.match(info);
    return m.hasMatch() ? QPoint(m.captured(1).toInt(), m.captured(2).toInt()) : QPoint(-1, -1);
}

// Whether the welcome balloon on the screen stands at the icon, not in a corner of the screen:
// it touches the icon's place, which the tray keeps no taller than its 24 pixels.
bool BalloonAtIcon(qulonglong icon)
{
    const QRect place(RootPosition(icon), QSize(16, 24));
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && QByteArray(w->metaObject()->className()) == "TrayBalloon")
            return w->frameGeometry().adjusted(-1, -1, 1, 1).intersects(place);
    }
    return false;
}

struct Trayer
{
    QProcess process;
    void start()
    {
        process.start(QStringLiteral("trayer"),
                      {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                       QStringLiteral("right"), QStringLiteral("--widthtype"),
                       QStringLiteral("request"), QStringLiteral("--height"),
                       QStringLiteral("24")});
        process.waitForStarted(5000);
    }
    void stop()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.kill();
        process.waitForFinished(5000);
    }
    ~Trayer() { stop(); }
};
} // namespace

TEST(TrayHost, IconDocksAndComesBackWhenTheHostRestarts)
{
    REQUIRE_X_AND(QStringLiteral("trayer"), QStringLiteral("xwininfo"));
    Trayer host;
    host.start();
    ASSERT_TRUE(TestUtil::waitUntil([] { return TrayPanel() != 0; }, 10000))
        << "trayer did not map its panel";

    QWidget window;
    auto* menuSYS = new QMenu(&window);
    QAction* menuSYS1 = menuSYS->addAction(QStringLiteral("Open Translate Tool"));
    SysTray tray(&window, menuSYS, menuSYS1, QStringLiteral("1"));
    tray.SetBalloonTimeout(60000);
    window.show();
    tray.AddTrayIcon();

    ASSERT_TRUE(
        TestUtil::waitUntil([&] { return DockedIn(TrayPanel(), IconWindow(&window)); }, 10000))
        << RunTool(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")})
               .toStdString();
    ASSERT_TRUE(TestUtil::waitUntil([&] { return tray.BalloonCount() == 1; }));
    EXPECT_TRUE(BalloonAtIcon(IconWindow(&window)));

    host.stop();
    ASSERT_TRUE(TestUtil::waitUntil([] { return TrayPanel() == 0; }, 10000));
    host.start();
    EXPECT_TRUE(
        TestUtil::waitUntil([&] { return DockedIn(TrayPanel(), IconWindow(&window)); }, 15000))
        << RunTool(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")})
               .toStdString();
    // Greeted again at the new place, however quickly the host came back.
    ASSERT_TRUE(TestUtil::waitUntil([&] { return tray.BalloonCount() == 2; }));
    EXPECT_TRUE(BalloonAtIcon(IconWindow(&window)));
}

namespace {
struct Window
{
    QString source;
    QStringList translated;
    ModmonClip::ClipActions actions()
    {
        return {[this] { source.clear(); },
                [this] { source += QGuiApplication::clipboard()->text(); },
                [this] { translated << source; },
                {},
                {}};
    }
};
} // namespace

TEST(ClipboardX, AnotherProgramsCopiesAreTranslatedOursAndPicturesAreNot)
{
    REQUIRE_X_AND(QStringLiteral("xclip"));
    QClipboard* clipboard = QGuiApplication::clipboard();
    Window w;
    bool selfCopy = false;
    QObject owner;
    ClipMonitor monitor(clipboard, selfCopy, w.actions(), &owner);
    std::vector<std::unique_ptr<QProcess>> copies;

    // Let the change notice of this copy pass before the monitor starts, so that only the
    // start-up check sees it.
    int notices = 0;
    const QMetaObject::Connection counter =
        QObject::connect(clipboard, &QClipboard::dataChanged, &owner, [&] { ++notices; });
    copies.push_back(TestUtil::xclipCopy("there before the start"));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return notices > 0; }));
    QObject::disconnect(counter);
    monitor.StartClipMonitor();
    ASSERT_TRUE(TestUtil::waitUntil([&] { return w.translated.size() == 1; }))
        << w.translated.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(w.translated.last(), u"there before the start");

    copies.push_back(TestUtil::xclipCopy("Guten Morgen"));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return w.translated.size() == 2; }));
    EXPECT_EQ(w.translated.last(), u"Guten Morgen");

    // Our own Copy: empty, arm, copy. Changes are handled in order, so had our copy been
    // translated it would come before the next outside one.
    clipboard->clear();
    selfCopy = true;
    clipboard->setText(QStringLiteral("our own translation"));
    copies.push_back(TestUtil::xclipCopy("buenos dias"));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return w.translated.size() >= 3; }));
    EXPECT_EQ(w.translated.mid(2), QStringList{QStringLiteral("buenos dias")});

    // A picture, then files, then blanks: none of them; then text again.
    copies.push_back(
        TestUtil::xclipCopy(QByteArray("\x89PNG\r\n\x1a\n", 8), QStringLiteral("image/png")));
    TestUtil::waitUntil(
        [&] { return clipboard->mimeData()->hasFormat(QStringLiteral("image/png")); });
    copies.push_back(TestUtil::xclipCopy("file:///etc/hosts\r\n", QStringLiteral("text/uri-list")));
    TestUtil::waitUntil([&] { return clipboard->mimeData()->hasUrls(); });
    copies.push_back(TestUtil::xclipCopy("    "));
    TestUtil::waitUntil([&] { return clipboard->text() == u"    "; });
    copies.push_back(TestUtil::xclipCopy("\t"));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return w.translated.size() >= 4; }));
    EXPECT_EQ(w.translated.mid(3), QStringList{QStringLiteral("\t")});

    monitor.StopClipMonitor();
    clipboard->setText(QStringLiteral("done"));
    for (auto& p : copies) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(2000);
        }
    }
}
