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
    if (tail == u"--show")
        return StartMode::Show;
    if (tail == u"--translate-selection")
        return StartMode::TranslateSelection;
    if (tail == u"--translate-clipboard")
        return StartMode::TranslateClipboard;
    if (tail == u"--dbus-activated")
        return StartMode::BusActivated;
    if (arguments.size() > 2 && arguments.at(1) == u"--translate")
        return StartMode::TranslateText;
    return StartMode::Normal;
}

QString TextToTranslate(const QStringList& arguments)
{
    if (ParseCommandLine(arguments) != StartMode::TranslateText)
        return {};
    return arguments.mid(2).join(QLatin1Char(' '));
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
