#include "SingleInstance.h"

#include "BusApplication.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
constexpr int kAnswerMs = 3000;
constexpr int kPreviousLeavesMs = 10000;
// What a client may cost: a few connections at once, each with one short line, soon.
constexpr int kMaxHeld = 8;
constexpr qint64 kMaxLine = 4096;
constexpr int kLineMs = 2000;
// A Verbalto that has just taken the bus name answers once its window is made.
constexpr int kCallMs = 8000;

using Request = SingleInstance::Request;
constexpr std::pair<Request, const char*> kWords[] = {
    {Request::Show, "show"},
    {Request::Quiet, "quiet"},
    {Request::TranslateSelection, "selection"},
    {Request::TranslateClipboard, "clipboard"},
    {Request::TranslateText, "text"},
};

bool OneWord(const QByteArray& word)
{
    return !word.isEmpty() &&
           std::all_of(word.begin(), word.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

QDBusMessage DaemonCall(const char* method)
{
    return QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QLatin1String(method));
}

// The unique name holding ours, "" for none.
QString Owner(const QDBusConnection& bus)
{
    const QDBusMessage reply =
        bus.call(DaemonCall("GetNameOwner") << QLatin1String(BusApplication::kName), QDBus::Block,
                 kAnswerMs);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1
               ? reply.arguments().first().toString()
               : QString();
}

// No answer in time, as opposed to a refusal.
bool Silent(const QDBusMessage& answer)
{
    return answer.errorName() == u"org.freedesktop.DBus.Error.NoReply" ||
           answer.errorName() == u"org.freedesktop.DBus.Error.Timeout";
}

// The socket is plain POSIX: the start's claim and the listener cost no network library before
// the window shows.
bool AddressOf(const QString& path, sockaddr_un* address)
{
    const QByteArray name = QFile::encodeName(path);
    *address = {};
    address->sun_family = AF_UNIX;
    if (name.isEmpty() || name.size() >= qsizetype(sizeof address->sun_path))
        return false;
    std::memcpy(address->sun_path, name.constData(), size_t(name.size()));
    return true;
}

// Whether fd became ready for events within ms.
bool WaitFor(int fd, short events, int ms)
{
    const QDeadlineTimer deadline(ms);
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, int(deadline.remainingTime()));
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

// A connected descriptor, or -1 when nobody listens there.
int ConnectTo(const QString& path, int ms)
{
    sockaddr_un address;
    if (!AddressOf(path, &address))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    // A listener whose queue is full makes connect and writes wait; they wait this long.
    const timeval limit{ms / 1000, (ms % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    int r;
    do
        r = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    while (r != 0 && errno == EINTR);
    if (r != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One caller on the listening socket: it has kLineMs to send one line, a command exactly.
class Caller final : public QObject
{
  public:
    using OnCommand = std::function<void(const SingleInstance::Command&)>;
    Caller(int fd, OnCommand onCommand, QObject* parent)
        : QObject(parent), m_fd(fd), m_onCommand(std::move(onCommand))
    {
        m_readable = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(m_readable, &QSocketNotifier::activated, this, &Caller::ReadSome);
        QTimer::singleShot(kLineMs, this, &Caller::Done);
    }
    ~Caller() override { Close(); }

  private:
    void ReadSome()
    {
        char chunk[4096];
        for (;;) {
            const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
            if (n > 0) {
                m_buffer.append(chunk, n);
                if (m_buffer.contains('\n') || m_buffer.size() > kMaxLine)
                    break;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            break; // the caller hung up, or the socket failed
        }
        const qsizetype end = m_buffer.indexOf('\n');
        QByteArray line = end >= 0 && end <= kMaxLine ? m_buffer.left(end) : QByteArray();
        if (line.endsWith('\r'))
            line.chop(1);
        const std::optional<SingleInstance::Command> command =
            line.isEmpty() ? std::nullopt : SingleInstance::ParseLine(line);
        // The answer goes out before the command is acted on: the later start may end at once.
        if (command)
            (void)::send(m_fd, "ok\n", 3, MSG_NOSIGNAL);
        const OnCommand onCommand = m_onCommand;
        Done();
        if (command)
            onCommand(*command);
    }
    void Done()
    {
        Close();
        deleteLater();
    }
    void Close()
    {
        if (m_fd < 0)
            return;
        m_readable->setEnabled(false);
        ::close(m_fd);
        m_fd = -1;
    }

    int m_fd;
    QSocketNotifier* m_readable = nullptr;
    QByteArray m_buffer;
    OnCommand m_onCommand;
};
} // namespace

QByteArray SingleInstance::CommandLine(Request request, const QString& text,
                                       const QByteArray& token)
{
    QByteArray line;
    for (const auto& [r, word] : kWords) {
        if (r == request)
            line = word;
    }
    // Base64 keeps line breaks, blanks and any other character out of the line's framing.
    if (request == Request::TranslateText)
        line += ' ' + text.toUtf8().toBase64();
    if (line.size() + 1 > kMaxLine)
        return {};
    if (request != Request::Quiet && OneWord(token) && line.size() + 2 + token.size() <= kMaxLine)
        line += ' ' + token;
    return line + '\n';
}

bool SingleInstance::Fits(const QString& text)
{
    return !CommandLine(Request::TranslateText, text, {}).isEmpty();
}

bool SingleInstance::UsableToken(const QByteArray& token)
{
    return token.size() < 1024 && OneWord(token);
}

std::optional<SingleInstance::Command> SingleInstance::ParseLine(const QByteArray& line)
{
    if (line.size() >= kMaxLine)
        return std::nullopt;
    const QList<QByteArray> parts = line.split(' ');
    const Request* request = nullptr;
    for (const auto& [r, word] : kWords) {
        if (parts.first() == word)
            request = &r;
    }
    if (!request)
        return std::nullopt;
    Command command{*request, {}, {}};
    qsizetype next = 1;
    if (command.request == Request::TranslateText) {
        if (parts.size() < 2)
            return std::nullopt;
        auto decoded =
            QByteArray::fromBase64Encoding(parts[1], QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        command.text = QString::fromUtf8(decoded.decoded);
        next = 2;
    }
    if (parts.size() == next + 1 && command.request != Request::Quiet && OneWord(parts[next]))
        command.token = QString::fromLatin1(parts[next]);
    else if (parts.size() != next)
        return std::nullopt;
    return command;
}

QString SingleInstance::ServerPath(const QString& folder, const QString& display)
{
    QString safe = display;
    for (QChar& c : safe) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'.' && c != u'-')
            c = u'_';
    }
    QString path = folder;
    if (!path.endsWith(u'/'))
        path += u'/';
    return path + QStringLiteral("instance-%1-%2").arg(::getuid()).arg(safe);
}

QString SingleInstance::CurrentDisplay()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return QStringLiteral("none");
}

SingleInstance::SingleInstance(QString serverPath, QObject* parent)
    : SingleInstance(std::move(serverPath),
                     // Asked only when named: libdbus would otherwise launch a bus of its own.
                     qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
                         ? QDBusConnection(QString())
                         : QDBusConnection::sessionBus(),
                     parent)
{
}

SingleInstance::SingleInstance(QString serverPath, const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_path(std::move(serverPath))
{
    if (bus.isConnected())
        m_bus = std::make_unique<QDBusConnection>(bus);
}

SingleInstance::~SingleInstance()
{
    StopListening();
    ReleaseBusName();
    if (m_application)
        m_bus->unregisterObject(QLatin1String(BusApplication::kPath));
}

bool SingleInstance::IsListening() const
{
    return m_listenFd >= 0;
}

bool SingleInstance::Send(Request request, const QString& text) const
{
    const int fd = ConnectTo(m_path, 1000);
    if (fd < 0)
        return false;
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    // The desktop's permission for this start to raise a window, handed to the one that will.
    const QByteArray token = qEnvironmentVariableIsEmpty("XDG_ACTIVATION_TOKEN")
                                 ? qgetenv("DESKTOP_STARTUP_ID")
                                 : qgetenv("XDG_ACTIVATION_TOKEN");
    const QByteArray line = CommandLine(request, text, UsableToken(token) ? token : QByteArray());
    for (qsizetype sent = 0; sent < line.size();) {
        const ssize_t n =
            ::send(fd, line.constData() + sent, size_t(line.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        sent += n;
    }
    // A Verbalto that is there but slow to answer is still there: a second one would translate
    // every copy twice.
    if (WaitFor(fd, POLLIN, kAnswerMs)) {
        char answer[16];
        (void)::read(fd, answer, sizeof answer);
    }
    return true;
}

bool SingleInstance::Claim(Request request, bool waitForPrevious, const QString& text)
{
    if (m_bus) {
        if (const std::optional<bool> alone = ClaimOnBus(request, waitForPrevious, text))
            return *alone;
    }
    return ClaimSocket(request, waitForPrevious, text);
}

std::optional<bool> SingleInstance::ClaimOnBus(Request request, bool waitForPrevious,
                                               const QString& text)
{
    const QDBusConnection& bus = *m_bus;
    if (waitForPrevious) {
        const QDeadlineTimer deadline(kPreviousLeavesMs);
        while (!deadline.hasExpired() && !Owner(bus).isEmpty())
            QThread::msleep(200);
    }
    // In place before the name is taken: whoever sees the name finds the object.
    if (!m_application) {
        m_application = new BusApplication(this);
        connect(m_application, &BusApplication::showRequested, this,
                &SingleInstance::showRequested);
        connect(m_application, &BusApplication::translateRequested, this,
                &SingleInstance::translateRequested);
        if (!m_bus->registerObject(QLatin1String(BusApplication::kPath), m_application,
                                   QDBusConnection::ExportScriptableSlots))
            return std::nullopt;
    }
    const QDBusMessage call = BusApplication::CallFor(
        request, text, qgetenv("XDG_ACTIVATION_TOKEN"), qgetenv("DESKTOP_STARTUP_ID"));
    // The name is the lock, taken by exactly one of two starts at once. An owner that leaves
    // while called leaves it to the next round.
    for (int round = 0; round < 3; ++round) {
        constexpr uint kDoNotQueue = 4;
        const QDBusMessage taken = bus.call(
            DaemonCall("RequestName") << QLatin1String(BusApplication::kName) << kDoNotQueue,
            QDBus::Block, kAnswerMs);
        if (taken.type() != QDBusMessage::ReplyMessage || taken.arguments().size() != 1)
            return std::nullopt;
        const uint result = taken.arguments().first().toUInt();
        if (result == 1 || result == 4) { // the primary owner, or already it
            m_ownsName = true;
            // A Verbalto started where no bus was known listens on the socket: it gets the
            // request rather than a second Verbalto beside it.
            if (ClaimSocket(request, waitForPrevious, text))
                return true;
            ReleaseBusName();
            return false;
        }
        if (request == Request::Quiet)
            return false;
        const QString owner = Owner(bus);
        if (owner.isEmpty())
            continue;
        const QDBusMessage answer = bus.call(call, QDBus::Block, kCallMs);
        if (answer.type() == QDBusMessage::ReplyMessage)
            return false;
        if (Owner(bus) != owner)
            continue;
        // Still the same owner. Silent: hung, and a second Verbalto would fight it for the
        // window. Refusing: not a Verbalto at all, so the socket decides.
        if (!Silent(answer))
            return std::nullopt;
        std::fprintf(stderr,
                     "verbalto: the running Verbalto (%s on the session bus) does not "
                     "answer; end it to start another\n",
                     qPrintable(owner));
        return false;
    }
    std::fprintf(stderr, "verbalto: the session bus name %s keeps changing hands; not started\n",
                 BusApplication::kName);
    return false;
}

void SingleInstance::ReleaseBusName()
{
    if (!m_ownsName)
        return;
    m_ownsName = false;
    m_bus->call(DaemonCall("ReleaseName") << QLatin1String(BusApplication::kName), QDBus::Block,
                kAnswerMs);
}

bool SingleInstance::ClaimSocket(Request request, bool waitForPrevious, const QString& text)
{
    // Two starts at the same moment take turns between asking and listening. The kernel's lock
    // goes with the descriptor: one that dies holding it leaves nothing to clear up.
    const int lock = ::open(QFile::encodeName(m_path + QStringLiteral(".claim")).constData(),
                            O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    const auto unlock = qScopeGuard([lock] {
        if (lock >= 0)
            ::close(lock);
    });
    const QDeadlineTimer turn(kAnswerMs * 2);
    while (lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) != 0 &&
           (errno == EWOULDBLOCK || errno == EINTR) && !turn.hasExpired())
        QThread::msleep(5);

    if (waitForPrevious) {
        const QDeadlineTimer deadline(kPreviousLeavesMs);
        while (!deadline.hasExpired()) {
            const int probe = ConnectTo(m_path, 500);
            if (probe < 0)
                break;
            ::close(probe);
            QThread::msleep(200);
        }
    }
    if (Send(request, text))
        return false;

    // Nobody answers: what lies there is a socket a crashed Verbalto left.
    Listen();
    return true;
}

void SingleInstance::Listen()
{
    StopListening();
    sockaddr_un address;
    const QByteArray name = QFile::encodeName(m_path);
    ::unlink(name.constData());
    // Without the socket (an unusable folder) Verbalto still runs; it is only not alone then.
    if (!AddressOf(m_path, &address))
        return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    // Only this user may hand requests over; the folder is private too.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(name.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 32) != 0) {
        ::close(fd);
        return;
    }
    m_listenFd = fd;
    m_accepting = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_accepting, &QSocketNotifier::activated, this, &SingleInstance::OnConnection);
}

void SingleInstance::StopListening()
{
    if (m_listenFd < 0)
        return;
    delete m_accepting;
    m_accepting = nullptr;
    ::close(m_listenFd);
    m_listenFd = -1;
    ::unlink(QFile::encodeName(m_path).constData());
}

void SingleInstance::OnConnection()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            // Out of descriptors: wait for a caller to go rather than spin on the full queue.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                m_accepting->setEnabled(false);
            return;
        }
        if (m_held >= kMaxHeld) {
            ::close(fd);
            continue;
        }
        ++m_held;
        auto* caller = new Caller(
            fd,
            [this](const Command& command) {
                if (command.request == Request::Quiet)
                    return;
                if (command.request == Request::Show)
                    emit showRequested(command.token);
                else
                    emit translateRequested(command.request, command.text, command.token);
            },
            this);
        connect(caller, &QObject::destroyed, this, [this] {
            --m_held;
            if (m_accepting)
                m_accepting->setEnabled(true);
        });
    }
}
