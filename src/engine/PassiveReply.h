// Reading the replies to PASV and EPSV, and writing EPRT's argument. Pure
// text work: hostile replies fail with a reason, never with a crash.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Socket.h"

namespace passive_reply {

// A 227 reply's "h1,h2,h3,h4,p1,p2" (the first run of six comma-separated
// decimal numbers after the code, parentheses or not). False with a reason
// when there is none, a number is over 255, or the port is 0. The address is
// only reported: the client always connects to its control connection's peer.
bool ParsePasv(std::string_view reply, std::uint32_t& address, std::uint16_t& port,
               std::string& problem);

// A 229 reply's "(<d><d><d>port<d>)" (RFC 2428; <d> is one printable
// character, usually "|"). False with a reason for any other shape or a port
// outside 1 to 65535.
bool ParseEpsv(std::string_view reply, std::uint16_t& port, std::string& problem);

// "EPRT |1|a.b.c.d|port|" or "EPRT |2|ipv6|port|" followed by CR LF.
std::string EprtCommand(const platform::Endpoint& at);
// "PORT h1,h2,h3,h4,p1,p2" followed by CR LF (IPv4 only).
std::string PortCommand(const platform::Endpoint& at);

}  // namespace passive_reply
