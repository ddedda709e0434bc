// Verbalto's entry point.
#include "AppState.h"
#include "FormMian.h"
#include "GetSysPath.h"
#include "Module1.h"
#include "SingleInstance.h"

#include <QApplication>

#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char** argv)
{
#ifdef __GLIBC__
    // Large buffers (a reply, the texts taken out of it, the boxes' growing documents) get
    // pages of their own that go back when freed, instead of ever larger holes in the heap.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
    // Before Qt picks its platform: under Wayland a program sees the clipboard only while it
    // has the focus, and trays are rare; through XWayland both work.
    const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
    const QByteArray platform =
        Module1::PlatformToUse(chosen, qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"));
    if (platform != chosen)
        qputenv("QT_QPA_PLATFORM", platform);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verbalto"));
    QApplication::setOrganizationName(QStringLiteral("Verbalto"));
    QApplication::setApplicationVersion(QStringLiteral(VERBALTO_VERSION));
    // The Wayland app id, matching the desktop entry that docks and notifications look for.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.verbalto.Verbalto"));
    // Hidden in the notification area is still running.
    QApplication::setQuitOnLastWindowClosed(false);

    const auto mode = Module1::ParseCommandLine(QCoreApplication::arguments());
    // A second start hands over to the running Verbalto: a plain one brings its window up, a
    // "mini" one (a logon start) only ends. After an update the old program is leaving.
    SingleInstance instance(
        SingleInstance::ServerPath(GetSysPath::GetTempFolder(), SingleInstance::CurrentDisplay()));
    if (!instance.Claim(mode == Module1::StartMode::Mini ? SingleInstance::Request::Quiet
                                                         : SingleInstance::Request::Show,
                        mode == Module1::StartMode::Up))
        return 0;
    Module1::RemoveLeftoverUpdater(QCoreApplication::applicationDirPath(), mode);

    AppState state;
    FormMian window(state);
    QObject::connect(&instance, &SingleInstance::showRequested, &window,
                     [&window](const QString& token) {
                         // Wayland raises a window only with the token of the start that asked; Qt
                         // takes it from here when it activates.
                         if (!token.isEmpty())
                             qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
                         window.RestoreFromTray();
                         window.raise();
                         window.activateWindow();
                     });
    if (mode == Module1::StartMode::Mini)
        window.StartHidden();
    else
        window.show();
    return QApplication::exec();
}
