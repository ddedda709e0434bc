// Addresses on the vendor's web server. The host is configuration: VERBALTO_VENDOR_URL
// overrides the compiled-in default, so tests point it at a loopback server.
#pragma once

#include <QString>
#include <QUrl>

namespace VendorUrl {

// The server's base address without a trailing "/".
QString Base();

// Base() followed by path (which starts with "/").
QUrl At(const QString& path);

// "/Vbxpatch/Patchwell2.txt": the update list both programs read.
QUrl UpdateList();

// "/verbalto.html": the product page.
QUrl ProductPage();

} // namespace VendorUrl
