#include "remote/HistoryQueue.h"

std::string TrimRemotePath(std::string_view path) {
  if (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return std::string(path);
}

CHistoryQueue::~CHistoryQueue() { ClearHistory(); }

const CHistoryQueue::HistoryNode* CHistoryQueue::FindPath(std::string_view path) const {
  const std::string key = TrimRemotePath(path);
  for (const HistoryNode& node : nodes_)
    if (node.path == key) return &node;
  return nullptr;
}

int CHistoryQueue::StoreListing(std::string_view path, RemoteListing listing) {
  auto shared = std::make_shared<const RemoteListing>(std::move(listing));
  const std::string key = TrimRemotePath(path);
  for (HistoryNode& node : nodes_) {
    if (node.path == key) {
      node.cachedListing = std::move(shared);  // the old listing goes with its last holder
      return 0;
    }
  }
  nodes_.push_back({key, std::move(shared)});
  return 1;
}

void CHistoryQueue::ClearHistory() { nodes_.clear(); }
