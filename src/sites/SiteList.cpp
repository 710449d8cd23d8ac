#include "sites/SiteList.h"

#include "platform/Notice.h"
#include "sites/FixedText.h"

namespace {
constexpr const char* kNotFound = "Can't find this item !";
constexpr const char* kNotFoundNoDelete = "Can't find this item ! Can't del !";
}  // namespace

int SiteList::AppendSite(const SiteRecord& site) {
  SiteNode node;
  node.record = site;
  node.index = static_cast<std::int32_t>(nodes_.size());
  nodes_.push_back(node);
  return 1;
}

std::size_t SiteList::Find(std::int32_t index) const {
  for (std::size_t i = 0; i < nodes_.size(); ++i)
    if (nodes_[i].index == index) return i;
  return nodes_.size();
}

int SiteList::GetSiteAt(std::int32_t index, SiteRecord& out) const {
  std::size_t at = Find(index);
  if (at == nodes_.size()) {
    platform::ShowNotice(kSiteNoticeCaption, kNotFound);
    return 0;
  }
  out = nodes_[at].record;
  return 1;
}

int SiteList::ReplaceSiteAt(std::int32_t index, const SiteRecord& site) {
  std::size_t at = Find(index);
  if (at == nodes_.size()) {
    platform::ShowNotice(kSiteNoticeCaption, kNotFound);
    return 0;
  }
  nodes_[at].record = site;
  return 1;
}

int SiteList::RemoveSiteAt(std::int32_t index) {
  std::size_t at = Find(index);
  if (at == nodes_.size()) {
    platform::ShowNotice(kSiteNoticeCaption, kNotFoundNoDelete);
    return 0;
  }
  nodes_.erase(nodes_.begin() + static_cast<std::ptrdiff_t>(at));
  Renumber();
  return 1;
}

void SiteList::FreeSiteList() { nodes_.clear(); }

void SiteList::Assign(std::vector<SiteRecord> sites) {
  nodes_.clear();
  for (const auto& s : sites) AppendSite(s);
}

void SiteList::Renumber() {
  for (std::size_t i = 0; i < nodes_.size(); ++i) nodes_[i].index = static_cast<std::int32_t>(i);
}

SiteRecord MakeSiteRecord(std::string_view siteName, std::string_view address,
                          std::string_view user, std::string_view password,
                          std::string_view remoteInitPath, std::string_view localInitPath,
                          std::int32_t loginType) {
  SiteRecord r = EmptySiteRecord();
  SetField(r.siteName, siteName);
  SetField(r.address, address);
  SetField(r.user, user);
  SetField(r.password, password);
  SetField(r.remoteInitPath, remoteInitPath);
  SetField(r.localInitPath, localInitPath);
  r.loginType = loginType;
  return r;
}
