#include "ModmonClip.h"

#include <QMimeData>
#include <QUrl>
#include <algorithm>

namespace ModmonClip {

namespace {
bool HoldsFiles(const QMimeData& data)
{
    if (data.hasFormat(QStringLiteral("x-special/gnome-copied-files")))
        return true;
    if (!data.hasUrls())
        return false;
    const QList<QUrl> urls = data.urls();
    return !urls.isEmpty() &&
           std::all_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
}
} // namespace

bool IsMarkedSecret(const QMimeData& data)
{
    const QString hint = QStringLiteral("x-kde-passwordManagerHint");
    return data.hasFormat(hint) && data.data(hint).trimmed() == "secret";
}

QString ClipboardText(const QMimeData* data)
{
    if (!data || HoldsFiles(*data) || IsMarkedSecret(*data))
        return {};
    return data->text();
}

bool IsClipText(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c != QLatin1Char(' '); });
}

bool OnDrawClipboard(const QString& clipText, bool& bSelfCopy, const ClipActions& actions)
{
    const bool act = IsClipText(clipText) && !bSelfCopy;
    // Spent before acting, so that a Copy made by the actions themselves sets it afresh.
    bSelfCopy = false;
    if (!act)
        return false;
    if (actions.clearSource)
        actions.clearSource();
    if (actions.paste)
        actions.paste();
    if (actions.translate)
        actions.translate();
    return true;
}

} // namespace ModmonClip
