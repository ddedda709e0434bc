// Saves one value and prints "saved" or "failed", the value read back, then why it failed
// ("disk full", "read-only" or "other"). Exits 1 when the
// save failed, 3 when it failed and yet the unsaved value reads back. The read-only mount and
// full disk tests run it in a private mount namespace.
#include "SettingsStore.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    SettingsStore store(args.at(1));
    const FileSave::SaveResult result = store.SaveSetting(args.at(2), args.at(3));
    const bool saved = bool(result);
    const QString readBack = store.GetSetting(args.at(2), QStringLiteral("<missing>"));
    const char* why = result == FileSave::SaveResult::DiskFull   ? "disk full"
                      : result == FileSave::SaveResult::ReadOnly ? "read-only"
                                                                 : "other";
    std::printf("%s\n%s\n%s\n", saved ? "saved" : "failed", qPrintable(readBack), why);
    if (saved)
        return 0;
    return readBack == args.at(3) ? 3 : 1;
}
