// The in-memory site list that the site manager edits: the sites in file
// order, each with its position index (its row in the site manager's list).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sites/SiteRecord.h"

struct SiteNode {
  SiteRecord record;
  std::int32_t index = 0;  // the node's row, renumbered after every change
};

class SiteList {
 public:
  // Stores a copy of `site` behind the last site. Returns 1.
  int AppendSite(const SiteRecord& site);
  // Copies out the site whose index is `index`. 0 and a notice if none.
  int GetSiteAt(std::int32_t index, SiteRecord& out) const;
  // Overwrites the site whose index is `index` in place. 0 and a notice if none.
  int ReplaceSiteAt(std::int32_t index, const SiteRecord& site);
  // Drops the site whose index is `index`. 0 and a notice if none.
  int RemoveSiteAt(std::int32_t index);
  // Drops every site.
  void FreeSiteList();
  // Replaces the whole list (used by loading).
  void Assign(std::vector<SiteRecord> sites);

  // Numbers the nodes 0, 1, 2, … in list order.
  void Renumber();

  std::size_t Count() const { return nodes_.size(); }
  bool IsEmpty() const { return nodes_.empty(); }
  const std::vector<SiteNode>& Nodes() const { return nodes_; }

 private:
  // The position of the node with `index`, or Count() if there is none.
  std::size_t Find(std::int32_t index) const;

  std::vector<SiteNode> nodes_;
};

// Caption of the site manager's message boxes.
inline constexpr const char* kSiteNoticeCaption = "Vessa Skiffline";

// A record as the site dialog makes it: every text cut to its field's width
// less one, the run-time words zero.
SiteRecord MakeSiteRecord(std::string_view siteName, std::string_view address,
                          std::string_view user, std::string_view password,
                          std::string_view remoteInitPath, std::string_view localInitPath,
                          std::int32_t loginType);
