// What a server offers, as its FEAT reply lists it (RFC 2389): the few
// features the session acts on, kept per connection.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Feature lines looked at; a longer FEAT reply is read whole (the reply
// reader bounds it) but its later lines are ignored.
inline constexpr std::size_t kMaxFeatureLines = 256;
// Bytes of one feature line looked at, and MLST facts kept.
inline constexpr std::size_t kMaxFeatureLineBytes = 512;
inline constexpr std::size_t kMaxMlstFacts = 32;

struct ServerFeatures {
  bool listed = false;      // FEAT was answered with a feature list
  bool mlsd = false;        // "MLST" listed: MLSD and MLST can be used
  bool utf8 = false;        // "UTF8"
  bool epsv = false;        // "EPSV"
  bool restStream = false;  // "REST STREAM"
  bool size = false;        // "SIZE"
  bool mdtm = false;        // "MDTM"
  // The facts of the MLST line as the server spells them (without "*;"),
  // and whether each is sent by default (marked "*").
  struct Fact {
    std::string name;
    bool active = false;
  };
  std::vector<Fact> mlstFacts;

  // The fact of that name (case-insensitive), or null.
  const Fact* FindFact(std::string_view name) const;
};

// Reads the text of a FEAT reply (all its lines as received). Lines that
// start with a reply code ("211-Features:", "211 End") frame the list; every
// other line names one feature, first word case-insensitive.
ServerFeatures ParseFeatures(std::string_view reply);

// The OPTS MLST argument that asks for the facts a listing shows (type,
// size, modify, UNIX.mode) when the server offers UNIX.mode but does not
// send it by default; empty when nothing needs asking.
std::string MlstFactsToAsk(const ServerFeatures& features);
