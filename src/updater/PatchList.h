// The update list as the updater reads it, and the vendor addresses it uses. The host comes
// from VERBALTO_VENDOR_URL, as in Verbalto.
#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace PatchList {

struct Info
{
    QString version;     // field 1
    QString downloadUrl; // field 3
    QString notes;       // field 4
    // What follows "sha256:" in a fifth field, trimmed and in lower case, whether well formed
    // or not (the replacement refuses a malformed one); nullopt without such a field.
    std::optional<QString> sha256;
};

QUrl UpdateListUrl();
QUrl ProductPageUrl();

// GET without any cache, body decoded from the locale's encoding; the text when it contains
// "Updates", else "" (also on no reply, past timeoutMs, over 1 MB or an error status). Waits in a
// local loop that repaints the window but takes no input.
QString GetUpdateList(const QUrl& url, int timeoutMs);

// A text with fewer than four fields is no list.
std::optional<Info> Parse(const QString& text);

// What the release-notes box shows: "Version: V", the version, CR LF, the notes.
QString DisplayText(const Info& info);

} // namespace PatchList
