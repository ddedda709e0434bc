#include "Module1.h"

#include "GetSysPath.h"

#include <QFile>

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

void RemoveLeftoverUpdater(const QString& programFolder, StartMode mode)
{
    if (mode == StartMode::Up)
        return;
    const QString path = GetSysPath::JoinPath(programFolder, QStringLiteral("patchwell"));
    if (QFile::exists(path))
        QFile::remove(path);
}

} // namespace Module1
