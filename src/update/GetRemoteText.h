// Fetches a small text file from the vendor's server; shared by the update check and the
// promotions. The reply only counts when it carries its marker.
#pragma once

#include "HttpTransport.h"

#include <QString>
#include <QUrl>

// GET without any cache, body decoded from the locale's encoding. Returns the whole text when
// it contains "Updates" (isUpdateList) or "http://" (otherwise), else "". No reply, a time-out,
// a reply over the lists' size cap or an error status (an error page is not the file) give "".
QString GetRemoteText(const QUrl& url, bool isUpdateList,
                      int timeoutMs = HttpTransport::kDefaultTimeoutMs);
