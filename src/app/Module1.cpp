#include "Module1.h"

#include "UpdaterFile.h"

namespace Module1 {

StartMode ParseCommandLine(const QStringList& arguments)
{
    const QString tail = arguments.mid(1).join(QLatin1Char(' '));
    if (tail == u"UP")
        return StartMode::Up;
    if (tail == u"mini")
        return StartMode::Mini;
    return StartMode::Normal;
}

QByteArray PlatformToUse(const QByteArray& chosen, const QByteArray& waylandDisplay,
                         const QByteArray& xDisplay)
{
    if (chosen.isEmpty() && !waylandDisplay.isEmpty() && !xDisplay.isEmpty())
        return QByteArrayLiteral("xcb");
    return chosen;
}

void RemoveLeftoverUpdater(const QString& programFolder, StartMode mode)
{
    if (mode != StartMode::Up)
        UpdaterFile::RemoveLeftoverUpdater(programFolder);
}

} // namespace Module1
