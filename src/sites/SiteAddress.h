// What a site address may hold: a host name, a dotted IPv4 or a bracketed
// IPv6 address ("[2001:db8::1]"), with an optional ":port" from 1 to 65535,
// as the session's connect reads it.
#pragma once

#include <string>
#include <string_view>

// Empty when `address` can be connected to as written (an empty address is
// allowed: the site is only stored); else a sentence telling what is wrong.
std::string SiteAddressProblem(std::string_view address);
