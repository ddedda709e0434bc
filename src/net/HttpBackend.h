// The network library's side of the transport: only the network module and what links it in
// see this.
#pragma once

class QNetworkAccessManager;

// The program's one network manager, created on first use (not at start-up) and let go after
// half a minute without a request; hold no pointer to it across returns to the event loop.
QNetworkAccessManager& SharedNetwork();
