#include "engine/ServerFeatures.h"

#include <algorithm>

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// "211-Features:" or "211 End": a code line that frames the list.
bool IsCodeLine(std::string_view line) {
  return line.size() >= 4 && std::all_of(line.begin(), line.begin() + 3,
                                         [](char c) { return c >= '0' && c <= '9'; }) &&
         (line[3] == '-' || line[3] == ' ');
}

// "type*;size*;modify*;UNIX.mode;" into facts.
void ReadFacts(std::string_view list, ServerFeatures& features) {
  while (!list.empty() && features.mlstFacts.size() < kMaxMlstFacts) {
    const std::size_t end = std::min(list.find(';'), list.size());
    std::string_view fact = Trim(list.substr(0, end));
    list.remove_prefix(std::min(end + 1, list.size()));
    const bool active = !fact.empty() && fact.back() == '*';
    if (active) fact.remove_suffix(1);
    if (!fact.empty()) features.mlstFacts.push_back({std::string(fact), active});
  }
}

void ReadLine(std::string_view line, ServerFeatures& features) {
  line = Trim(line.substr(0, kMaxFeatureLineBytes));
  std::size_t end = 0;
  while (end < line.size() && !IsBlank(line[end])) ++end;
  const std::string_view word = line.substr(0, end);
  const std::string_view rest = Trim(line.substr(end));
  if (SameWord(word, "MLST")) {
    features.mlsd = true;
    features.mlstFacts.clear();
    ReadFacts(rest, features);
  } else if (SameWord(word, "UTF8")) {
    features.utf8 = true;
  } else if (SameWord(word, "EPSV")) {
    features.epsv = true;
  } else if (SameWord(word, "REST")) {
    features.restStream = features.restStream || SameWord(rest, "STREAM");
  } else if (SameWord(word, "SIZE")) {
    features.size = true;
  } else if (SameWord(word, "MDTM")) {
    features.mdtm = true;
  }
}

}  // namespace

const ServerFeatures::Fact* ServerFeatures::FindFact(std::string_view name) const {
  for (const Fact& fact : mlstFacts)
    if (SameWord(fact.name, name)) return &fact;
  return nullptr;
}

ServerFeatures ParseFeatures(std::string_view reply) {
  ServerFeatures features;
  features.listed = true;
  std::size_t looked = 0;
  while (!reply.empty() && looked < kMaxFeatureLines + 2) {
    const std::size_t end = std::min(reply.find('\n'), reply.size());
    const std::string_view line = reply.substr(0, end);
    reply.remove_prefix(std::min(end + 1, reply.size()));
    ++looked;
    if (IsCodeLine(line) || Trim(line).empty()) continue;
    ReadLine(line, features);
  }
  return features;
}

std::string MlstFactsToAsk(const ServerFeatures& features) {
  const ServerFeatures::Fact* mode = features.FindFact("UNIX.mode");
  if (!features.mlsd || !mode || mode->active) return {};
  std::string ask;
  for (std::string_view wanted : {"type", "size", "modify", "UNIX.mode"})
    if (const ServerFeatures::Fact* fact = features.FindFact(wanted)) ask += fact->name + ";";
  return ask;
}
