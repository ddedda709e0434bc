// Verbalto's entry point.
#include "AppState.h"
#include "FormMian.h"
#include "GetSysPath.h"
#include "Module1.h"
#include "SingleInstance.h"
#include "StartStyle.h"

#include <QApplication>
#include <QThreadPool>
#include <QTimer>

#include <cstdio>
#include <thread>

#include <dlfcn.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// Reading the font configuration (its files and caches) is the dearest part of the first text
// drawn. Done on another core while Qt connects to the display, Qt then finds it done.
void ReadFontConfiguration()
{
    using Init = int (*)();
    if (const auto init = reinterpret_cast<Init>(::dlsym(RTLD_DEFAULT, "FcInit")))
        init();
}

} // namespace

int main(int argc, char** argv)
{
#ifdef __GLIBC__
    // Large buffers (a reply, the texts taken out of it, the boxes' growing documents) get
    // pages of their own that go back when freed, instead of ever larger holes in the heap.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
    const std::jthread fonts(ReadFontConfiguration);
    // Before Qt picks its platform: under Wayland a program sees the clipboard only while it
    // has the focus, and trays are rare; through XWayland both work.
    const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
    const QByteArray platform =
        Module1::PlatformToUse(chosen, qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"));
    if (platform != chosen)
        qputenv("QT_QPA_PLATFORM", platform);
    QApplication app(argc, argv);
    // Qt fills tall gradients (the boxes' scroll bars) on the global pool's threads; a window
    // that paints now and then need not keep them waiting half a minute after each paint.
    QThreadPool::globalInstance()->setExpiryTimeout(1000);
    QApplication::setStyle(new StartStyle);
    QApplication::setApplicationName(QStringLiteral("Verbalto"));
    QApplication::setOrganizationName(QStringLiteral("Verbalto"));
    QApplication::setApplicationVersion(QStringLiteral(VERBALTO_VERSION));
    // The Wayland app id, matching the desktop entry that docks and notifications look for.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.verbalto.Verbalto"));
    // Hidden in the notification area is still running.
    QApplication::setQuitOnLastWindowClosed(false);

    const QStringList arguments = QCoreApplication::arguments();
    const auto mode = Module1::ParseCommandLine(arguments);
    const QString text = Module1::TextToTranslate(arguments);
    if (mode == Module1::StartMode::TranslateText && !SingleInstance::Fits(text)) {
        std::fprintf(stderr, "verbalto: the text to translate is too long to hand over (at most "
                             "about 3000 bytes); paste it into the window instead\n");
        return 2;
    }
    using Request = SingleInstance::Request;
    Request request = Request::Show;
    // A start by the session bus is quiet like a logon start: the call it was started for
    // shows the window, and a Verbalto already there takes that call itself.
    const bool hidden =
        mode == Module1::StartMode::Mini || mode == Module1::StartMode::BusActivated;
    if (hidden)
        request = Request::Quiet;
    else if (mode == Module1::StartMode::TranslateSelection)
        request = Request::TranslateSelection;
    else if (mode == Module1::StartMode::TranslateClipboard)
        request = Request::TranslateClipboard;
    else if (mode == Module1::StartMode::TranslateText)
        request = Request::TranslateText;
    // A second start hands over to the running Verbalto: a plain one brings its window up, a
    // "mini" one (a logon start) only ends, a command is done there. After an update the old
    // program is leaving.
    SingleInstance instance(
        SingleInstance::ServerPath(GetSysPath::GetTempFolder(), SingleInstance::CurrentDisplay()));
    if (!instance.Claim(request, mode == Module1::StartMode::Up, text))
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
    const auto translate = [&window](SingleInstance::Request source, const QString& handed) {
        using Source = FormMian::TextSource;
        window.TranslateFromOutside(
            source == SingleInstance::Request::TranslateSelection   ? Source::Selection
            : source == SingleInstance::Request::TranslateClipboard ? Source::Clipboard
                                                                    : Source::Given,
            handed);
    };
    QObject::connect(
        &instance, &SingleInstance::translateRequested, &window,
        [translate](SingleInstance::Request source, const QString& handed, const QString& token) {
            if (!token.isEmpty())
                qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
            translate(source, handed);
        });
    if (hidden)
        window.StartHidden();
    else
        window.show();
    // No Verbalto ran: this one does the command once its window is up.
    if (request != Request::Show && request != Request::Quiet)
        QTimer::singleShot(0, &window, [translate, request, text] { translate(request, text); });
    return QApplication::exec();
}
