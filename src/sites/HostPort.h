// Reading a site address: "host", "host:port", "[ipv6]" or "[ipv6]:port".
#pragma once

#include <string>
#include <string_view>

// Splits `address` into the host (without brackets) and the port. `port` is
// left as it is when the address names none. False with a sentence in
// `problem` for a port that is not a decimal number from 1 to 65535, an
// unclosed or empty bracket, text in brackets that is not an IPv6 address,
// or an IPv6 address without brackets (its colons would read as a port).
bool SplitHostPort(std::string_view address, std::string& host, int& port, std::string& problem);
