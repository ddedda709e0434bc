// Switches the logon entry on or off for a given program path and says whether it was stored;
// the auto-run test runs it where the autostart folder cannot be written.
#include "ModAutoRun.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    const bool on = args.at(1) == QLatin1String("on");
    std::puts(ModAutoRun::SetAutoRun(on, args.at(2)) ? "stored" : "failed");
    std::puts(ModAutoRun::IsAutoRunChecked(args.at(2)) ? "checked" : "unchecked");
    return 0;
}
