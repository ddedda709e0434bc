// Patchwell's window with its real download and replacement, timed from the click on Update
// to the replaced program (no waits before or after), and the process's peak memory.
// Prints "<milliseconds> <peak KB> ok|failed". Used by scripts/measure-download.
// Usage: patchwell_download_bench <update list URL> <program folder holding "verbalto">
#include "Downloader.h"
#include "frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include <cstdio>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <update list URL> <program folder>\n", argv[0]);
        return 2;
    }
    frmMain::Setup setup = frmMain::DefaultSetup({QStringLiteral("verbalto")});
    setup.updateListUrl = QUrl(QString::fromLocal8Bit(argv[1]));
    setup.programFolder = QString::fromLocal8Bit(argv[2]);
    setup.replaceWaitMs = 0;
    setup.closeWaitMs = 0;
    setup.showMessage = [](QWidget*, QMessageBox::Icon, const QString&, const QString& text) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    };
    setup.openUrl = [](const QUrl&) {};
    setup.startProgram = [](const QString&, const QStringList&, const QString&) { return true; };

    frmMain window(setup);
    window.show();
    window.Form_Load();
    // The window closes itself once the program is replaced, which ends the program; a failure
    // leaves it open.
    QObject::connect(
        window.Downer1, &Downloader::DownAllComplete, &app,
        [&window] {
            if (window.UpdateFailed())
                QApplication::quit();
        },
        Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    window.cmdDown->click();
    QApplication::exec();
    const double ms = double(clock.nsecsElapsed()) / 1e6;

    struct rusage usage = {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("%.1f %ld %s\n", ms, usage.ru_maxrss, window.UpdateFailed() ? "failed" : "ok");
    return window.UpdateFailed() ? 1 : 0;
}
