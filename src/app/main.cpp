// Verbalto's entry point.
#include "AppState.h"
#include "FormMian.h"
#include "Module1.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verbalto"));
    QApplication::setOrganizationName(QStringLiteral("Verbalto"));
    QApplication::setApplicationVersion(QStringLiteral(VERBALTO_VERSION));
    // Hidden in the notification area is still running.
    QApplication::setQuitOnLastWindowClosed(false);

    const auto mode = Module1::ParseCommandLine(QCoreApplication::arguments());
    Module1::RemoveLeftoverUpdater(QCoreApplication::applicationDirPath(), mode);

    AppState state;
    FormMian window(state);
    if (mode == Module1::StartMode::Mini)
        window.StartHidden();
    else
        window.show();
    return QApplication::exec();
}
