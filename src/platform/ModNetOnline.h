// Whether the machine has a network connection worth trying a request over.
#pragma once

namespace ModNetOnline {

// Yes when the system's network information says there is a route out; where no backend
// loads, yes when some interface other than loopback is up and has an address. Never throws.
bool IsOnline();

} // namespace ModNetOnline
