// The version check: fetch, look up, compare, offer.
#include "app/VersionCheck.h"

#include "app/TextCase.h"
#include "app/WebWorld.h"

std::string VersionOfferText(const std::string& version) {
  return "This product has the newest version " + version + ",download it right now?";
}

int RunVersionCheck(const VersionCheckConfig& config) {
  const platform::HttpAbortScope abortScope(config.abortSwitch);  // reaches CWebWorld's fetch
  CWebWorld web;
  const std::string body = web.Fetch(config.versionFileAddress);
  if (config.abortSwitch && config.abortSwitch->IsSet()) return 1;
  if (TrimWhiteSpace(body).empty()) return 1;

  const std::string announced = web.LookUp(config.productName);
  if (announced.empty() || announced.size() > kMaxOfferedVersionLength) return 1;
  if (EqualsIgnoringCase(announced, config.programVersion)) return 1;

  if (config.askYesNo && config.askYesNo(kVersionOfferCaption, VersionOfferText(announced)) &&
      config.openWebAddress) {
    config.openWebAddress(config.downloadPageAddress);
  }
  return 1;
}
