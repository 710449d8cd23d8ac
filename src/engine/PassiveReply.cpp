#include "engine/PassiveReply.h"

namespace passive_reply {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal number at `at` (saturating far above any valid value);
// false when there is none.
bool ReadNumber(std::string_view text, std::size_t& at, long& value) {
  std::size_t start = at;
  value = 0;
  for (; at < text.size() && IsDigit(text[at]); ++at)
    value = value > 1000000 ? value : value * 10 + (text[at] - '0');
  return at > start;
}

// Six comma-separated numbers starting at `at`. False without a reason when
// the text there is no such run; with one when the run has a number over 255.
bool ReadSix(std::string_view text, std::size_t at, long (&v)[6], std::string& problem) {
  for (int i = 0; i < 6; ++i) {
    if (i > 0) {
      if (at >= text.size() || text[at] != ',') return false;
      ++at;
    }
    if (!ReadNumber(text, at, v[i])) return false;
    if (v[i] > 255) {
      if (i > 0 || (at < text.size() && text[at] == ','))
        problem = "a number in the PASV reply is over 255";
      return false;
    }
  }
  return true;
}

}  // namespace

bool ParsePasv(std::string_view reply, std::uint32_t& address, std::uint16_t& port,
               std::string& problem) {
  problem.clear();
  // Only the first line counts, and its code is not part of the numbers.
  std::size_t end = reply.find_first_of("\r\n");
  std::string_view line = reply.substr(0, end);
  std::size_t at = line.size() >= 3 ? 3 : line.size();
  for (; at < line.size(); ++at) {
    if (!IsDigit(line[at]) || (at > 0 && IsDigit(line[at - 1]))) continue;
    long v[6];
    std::string why;
    if (!ReadSix(line, at, v, why)) {
      if (!why.empty()) {
        problem = why;
        return false;
      }
      continue;
    }
    port = static_cast<std::uint16_t>(v[4] * 256 + v[5]);
    if (port == 0) {
      problem = "the PASV reply names port 0";
      return false;
    }
    address = static_cast<std::uint32_t>((v[0] << 24) | (v[1] << 16) | (v[2] << 8) | v[3]);
    return true;
  }
  problem = "the PASV reply holds no address and port";
  return false;
}

bool ParseEpsv(std::string_view reply, std::uint16_t& port, std::string& problem) {
  problem.clear();
  std::size_t end = reply.find_first_of("\r\n");
  std::string_view line = reply.substr(0, end);
  std::size_t open = line.find('(', line.size() >= 3 ? 3 : line.size());
  if (open == std::string_view::npos || open + 5 > line.size()) {
    problem = "the EPSV reply lacks the (|||port|) part";
    return false;
  }
  const char d = line[open + 1];
  if (d < 33 || d > 126 || IsDigit(d) || line[open + 2] != d || line[open + 3] != d) {
    problem = "the EPSV reply lacks the (|||port|) part";
    return false;
  }
  std::size_t at = open + 4;
  long value = 0;
  if (!ReadNumber(line, at, value) || at + 1 >= line.size() || line[at] != d ||
      line[at + 1] != ')') {
    problem = "the EPSV reply lacks the (|||port|) part";
    return false;
  }
  if (value < 1 || value > 65535) {
    problem = "the EPSV reply names a port outside 1 to 65535";
    return false;
  }
  port = static_cast<std::uint16_t>(value);
  return true;
}

std::string EprtCommand(const platform::Endpoint& at) {
  return std::string("EPRT |") + (at.v6 ? "2" : "1") + "|" + platform::FormatAddress(at) + "|" +
         std::to_string(at.port) + "|\r\n";
}

std::string PortCommand(const platform::Endpoint& at) {
  const std::uint32_t a = at.address;
  return "PORT " + std::to_string((a >> 24) & 255) + "," + std::to_string((a >> 16) & 255) + "," +
         std::to_string((a >> 8) & 255) + "," + std::to_string(a & 255) + "," +
         std::to_string((at.port >> 8) & 255) + "," + std::to_string(at.port & 255) + "\r\n";
}

}  // namespace passive_reply
