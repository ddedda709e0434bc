#include "SingleInstance.h"
#include "BusApplication.h"
#include "TestUtil.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SingleInstance, OneSocketPerUserAndDisplayInThePrivateFolder)
{
    const QString a =
        SingleInstance::ServerPath(QStringLiteral("/run/user/7/verbalto/"), QStringLiteral(":0"));
    EXPECT_TRUE(a.startsWith(QStringLiteral("/run/user/7/verbalto/instance-"))) << a.toStdString();
    EXPECT_TRUE(a.endsWith(QStringLiteral("-_0")));
    EXPECT_NE(a, SingleInstance::ServerPath(QStringLiteral("/run/user/7/verbalto"),
                                            QStringLiteral(":1")));
    // Nothing in a display name leads out of the folder.
    EXPECT_FALSE(SingleInstance::ServerPath(QStringLiteral("/f"), QStringLiteral("../../x/y"))
                     .mid(3)
                     .contains(u'/'));
}

TEST(SingleInstance, ASocketLeftByACrashIsTakenOver)
{
    QTemporaryDir dir;
    const QString path = SingleInstance::ServerPath(dir.path(), QStringLiteral(":9"));
    ASSERT_TRUE(TestUtil::writeFile(path, "left behind"));
    SingleInstance first(path);
    EXPECT_TRUE(first.Claim(SingleInstance::Request::Show, false));
    EXPECT_TRUE(first.IsListening());
}

// Clients that connect and say nothing, or too much, or something close to a command cost the
// running Verbalto nothing lasting: it keeps answering a real second start.
TEST(SingleInstance, IdleFloodsAndJunkNeitherStopNorFoolTheListener)
{
    QTemporaryDir dir;
    const QString path = SingleInstance::ServerPath(dir.path(), QStringLiteral(":8"));
    SingleInstance first(path);
    ASSERT_TRUE(first.Claim(SingleInstance::Request::Quiet, false));
    int shown = 0;
    QObject::connect(&first, &SingleInstance::showRequested, [&] { ++shown; });

    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 30; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(path);
        idle.back()->waitForConnected(1000);
    }
    QLocalSocket padded;
    padded.connectToServer(path);
    padded.write("show" + QByteArray(59, ' ') + "x\n");
    QLocalSocket huge;
    huge.connectToServer(path);
    huge.write(QByteArray(1 << 20, 'a'));
    // Every idle one is let go within its 2 s.
    EXPECT_TRUE(TestUtil::waitUntil(
        [&] {
            return std::all_of(idle.begin(), idle.end(), [](const auto& s) {
                return s->state() == QLocalSocket::UnconnectedState;
            });
        },
        5000));
    EXPECT_TRUE(
        TestUtil::waitUntil([&] { return huge.state() == QLocalSocket::UnconnectedState; }, 5000));
    EXPECT_EQ(shown, 0);

    // A second start still hands over.
    QLocalSocket second;
    second.connectToServer(path);
    ASSERT_TRUE(second.waitForConnected(1000));
    second.write("show\n");
    EXPECT_TRUE(TestUtil::waitUntil([&] { return shown == 1; }, 3000));
    EXPECT_TRUE(first.IsListening());
}

TEST(SingleInstance, ASecondStartHandsItsActivationTokenOver)
{
    QTemporaryDir dir;
    const QString path = SingleInstance::ServerPath(dir.path(), QStringLiteral(":9"));
    SingleInstance first(path);
    ASSERT_TRUE(first.Claim(SingleInstance::Request::Show, false));
    QStringList tokens;
    QObject::connect(&first, &SingleInstance::showRequested, &first,
                     [&](const QString& token) { tokens << token; });

    qputenv("XDG_ACTIVATION_TOKEN", "weston-token-1");
    SingleInstance second(path);
    EXPECT_FALSE(second.Claim(SingleInstance::Request::Show, false));
    qunsetenv("XDG_ACTIVATION_TOKEN");
    ASSERT_TRUE(TestUtil::waitUntil([&] { return tokens.size() == 1; }));
    EXPECT_EQ(tokens.first(), u"weston-token-1");

    qunsetenv("DESKTOP_STARTUP_ID");
    SingleInstance third(path);
    EXPECT_FALSE(third.Claim(SingleInstance::Request::Show, false));
    ASSERT_TRUE(TestUtil::waitUntil([&] { return tokens.size() == 2; }));
    EXPECT_EQ(tokens.last(), u"");
}

// Texts of any shape travel intact in one line; what does not fit is refused, never cut.
TEST(SingleInstance, CommandLinesCarryAnyTextUpToTheCap)
{
    using R = SingleInstance::Request;
    const QString awkward = QStringLiteral("a b\n\r\nc\t\"'\\ %41 show\n\u00e9\u4e2d\U0001F600 ");
    const QByteArray line = SingleInstance::CommandLine(R::TranslateText, awkward, "tok-1");
    ASSERT_TRUE(line.endsWith('\n'));
    EXPECT_EQ(line.count('\n'), 1);
    const auto back = SingleInstance::ParseLine(line.chopped(1));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->request, R::TranslateText);
    EXPECT_EQ(back->text, awkward);
    EXPECT_EQ(back->token, u"tok-1");

    for (R r : {R::Show, R::TranslateSelection, R::TranslateClipboard}) {
        const auto parsed =
            SingleInstance::ParseLine(SingleInstance::CommandLine(r, {}, {}).chopped(1));
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->request, r);
        EXPECT_TRUE(parsed->token.isEmpty());
    }

    EXPECT_TRUE(SingleInstance::Fits(QString(3000, u'x')));
    EXPECT_FALSE(SingleInstance::Fits(QString(3100, u'x')));
    EXPECT_TRUE(SingleInstance::CommandLine(R::TranslateText, QString(3100, u'x'), {}).isEmpty());
    // A long token is left off rather than pushing the line over the cap.
    const QByteArray full =
        SingleInstance::CommandLine(R::TranslateText, QString(3000, u'x'), QByteArray(1000, 't'));
    EXPECT_LE(full.size(), 4096);
    EXPECT_EQ(SingleInstance::ParseLine(full.chopped(1))->token, u"");

    for (const QByteArray& junk :
         {QByteArray("text"), QByteArray("text !!!"), QByteArray("text YQ== a b"),
          QByteArray("selection "), QByteArray("clipboard x y"), QByteArray("quiet tok"),
          QByteArray("Selection"), QByteArray("text ").append(QByteArray(5000, 'Q'))})
        EXPECT_FALSE(SingleInstance::ParseLine(junk)) << junk.left(40).constData();
}

namespace {

// A private session bus for one test; each connection to it stands for one program.
class PrivateBus
{
  public:
    PrivateBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--address=unix:dir=") + m_folder.path(),
                        QStringLiteral("--print-address=1")});
        if (m_daemon.waitForStarted(5000) &&
            TestUtil::waitUntil([&] { return m_daemon.canReadLine(); }, 5000))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        for (const QString& name : m_names)
            QDBusConnection::disconnectFromBus(name);
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
    bool up() const { return !m_address.isEmpty(); }
    QDBusConnection connect(const QString& program)
    {
        m_names << program;
        return QDBusConnection::connectToBus(m_address, program);
    }

  private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

// A call from another program, answered while the event loop runs.
QDBusMessage Ask(QDBusConnection& from, const QString& method, const QVariantList& args)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QLatin1String(BusApplication::kName), QLatin1String(BusApplication::kPath),
        QStringLiteral("org.freedesktop.Application"), method);
    call.setArguments(args);
    QDBusPendingCall pending = from.asyncCall(call, 5000);
    TestUtil::waitUntil([&] { return pending.isFinished(); }, 6000);
    return pending.reply();
}

} // namespace

// The owner of the name does what a well-formed call asks and nothing for the rest: every junk
// call is refused, raises nothing, and the next real call still works.
TEST(SingleInstanceBus, TheOwnerTakesWellFormedCallsOnly)
{
    PrivateBus bus;
    if (!bus.up())
        GTEST_SKIP() << "needs dbus-daemon";
    QTemporaryDir dir;
    QDBusConnection own = bus.connect(QStringLiteral("first"));
    QDBusConnection other = bus.connect(QStringLiteral("launcher"));
    SingleInstance first(SingleInstance::ServerPath(dir.path(), QStringLiteral(":5")), own);
    ASSERT_TRUE(first.Claim(SingleInstance::Request::Quiet, false));
    EXPECT_TRUE(first.OwnsBusName());
    // The socket too, for a start that does not reach the bus.
    EXPECT_TRUE(first.IsListening());
    QStringList seen;
    QObject::connect(&first, &SingleInstance::showRequested,
                     [&](const QString& token) { seen << u"show " + token; });
    QObject::connect(&first, &SingleInstance::translateRequested,
                     [&](SingleInstance::Request r, const QString& text, const QString& token) {
                         seen << QStringLiteral("%1 %2 %3").arg(int(r)).arg(text, token);
                     });

    const QVariantMap noData;
    const QVariantList none;
    const auto junk = [&](const QString& method, const QVariantList& args) {
        const QDBusMessage answer = Ask(other, method, args);
        EXPECT_EQ(answer.type(), QDBusMessage::ErrorMessage) << method.toStdString();
    };
    junk(QStringLiteral("ActivateAction"), {QStringLiteral("quit"), none, noData});
    junk(QStringLiteral("ActivateAction"),
         {QStringLiteral("translate-selection"), QVariantList{1}, noData});
    junk(QStringLiteral("ActivateAction"), {QStringLiteral("translate"), QVariantList{42}, noData});
    junk(QStringLiteral("ActivateAction"), {QStringLiteral("translate"), none, noData});
    junk(QStringLiteral("ActivateAction"),
         {QStringLiteral("translate"), QVariantList{QString(5000, u'x')}, noData});
    junk(QStringLiteral("ActivateAction"), {QStringLiteral("translate-selection"), none});
    junk(QStringLiteral("ActivateAction"), {7, none, noData});
    junk(QStringLiteral("Activate"), {QStringLiteral("a{sv} it is not")});
    junk(QStringLiteral("Open"), {QStringList{QStringLiteral("file:///etc/passwd")}, noData});
    junk(QStringLiteral("Quit"), {});
    QCoreApplication::processEvents();
    EXPECT_TRUE(seen.isEmpty()) << seen.join(u'|').toStdString();

    const QVariantMap token{{QStringLiteral("activation-token"), QStringLiteral("tok-1")}};
    for (const QDBusMessage& call :
         {BusApplication::CallFor(SingleInstance::Request::TranslateSelection, {}, "tok-1", {}),
          BusApplication::CallFor(SingleInstance::Request::TranslateText,
                                  QStringLiteral("a\nb \u4e2d"), {}, "startup-2"),
          BusApplication::CallFor(SingleInstance::Request::Show, {}, "bad token", {})}) {
        QDBusPendingCall pending = other.asyncCall(call, 5000);
        ASSERT_TRUE(TestUtil::waitUntil([&] { return pending.isFinished(); }, 6000));
        EXPECT_FALSE(pending.isError()) << pending.error().message().toStdString();
    }
    EXPECT_EQ(seen,
              (QStringList{QStringLiteral("2  tok-1"), QStringLiteral("4 a\nb \u4e2d startup-2"),
                           QStringLiteral("show ")}));
}

// The actions a launcher may send, read strictly: exact names, exact parameters, texts that fit,
// tokens that are one printable word.
TEST(SingleInstanceBus, ActionsAreReadStrictly)
{
    using R = SingleInstance::Request;
    const QVariantMap both{{QStringLiteral("desktop-startup-id"), QStringLiteral("s-1")},
                           {QStringLiteral("activation-token"), QStringLiteral("a-1")}};
    EXPECT_EQ(BusApplication::Action(QStringLiteral("show"), {}, both)->token, u"a-1");
    EXPECT_EQ(BusApplication::Action(QStringLiteral("translate-clipboard"), {}, {})->request,
              R::TranslateClipboard);
    EXPECT_EQ(
        BusApplication::Token({{QStringLiteral("activation-token"), 5},
                               {QStringLiteral("desktop-startup-id"), QStringLiteral("s-1")}}),
        u"s-1");
    EXPECT_EQ(BusApplication::Token({{QStringLiteral("activation-token"), QString(2000, u't')}}),
              u"");
    EXPECT_EQ(BusApplication::Action(QStringLiteral("translate"), {QString(3000, u'x')}, {})->text,
              QString(3000, u'x'));
    for (const auto& [name, parameters] : std::initializer_list<std::pair<QString, QVariantList>>{
             {QStringLiteral("Show"), {}},
             {QStringLiteral("translate-selection "), {}},
             {QStringLiteral("quiet"), {}},
             {QStringLiteral("text"), {QStringLiteral("x")}},
             {QStringLiteral("translate"), {QString()}},
             {QStringLiteral("translate"), {QStringLiteral("x"), QStringLiteral("y")}},
             {QStringLiteral("translate"), {QByteArray("x")}},
             {QStringLiteral("translate"), {QString(3100, u'x')}},
             {QStringLiteral("show"), {QString()}}})
        EXPECT_FALSE(BusApplication::Action(name, parameters, {})) << name.toStdString();
}

// A Verbalto that runs without the bus holds the socket: a start on the bus hands over to it
// instead of running beside it, and leaves the name free.
TEST(SingleInstanceBus, AStartOnTheBusFindsOneThatRunsWithout)
{
    PrivateBus bus;
    if (!bus.up())
        GTEST_SKIP() << "needs dbus-daemon";
    QTemporaryDir dir;
    const QString path = SingleInstance::ServerPath(dir.path(), QStringLiteral(":6"));
    SingleInstance without(path, QDBusConnection(QString()));
    ASSERT_TRUE(without.Claim(SingleInstance::Request::Quiet, false));
    int shown = 0;
    QObject::connect(&without, &SingleInstance::showRequested, [&] { ++shown; });

    QDBusConnection onBus = bus.connect(QStringLiteral("later"));
    SingleInstance later(path, onBus);
    EXPECT_FALSE(later.Claim(SingleInstance::Request::Show, false));
    EXPECT_FALSE(later.OwnsBusName());
    EXPECT_FALSE(onBus.interface()->isServiceRegistered(QLatin1String(BusApplication::kName)));
    EXPECT_TRUE(TestUtil::waitUntil([&] { return shown == 1; }));
}
