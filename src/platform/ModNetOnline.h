// Whether the machine has a network connection worth trying a request over.
#pragma once

namespace ModNetOnline {

// Yes when NetworkManager says the machine reaches a site or the Internet; without it (or
// while it does not know), yes when some interface other than loopback is up and has an
// address. Never throws.
bool IsOnline();

} // namespace ModNetOnline
