// The remote directories visited since the last connect, each with the
// listing last received for it, so that going back to one shows it at once.
//
// Paths are kept as the session reports them, except that one trailing "/"
// (other than the root's "/") is trimmed wherever a path is stored or looked
// up: "/pub/" and "/pub" are the same directory, and a revisit always finds
// its node whichever way the server wrote it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "remote/RemoteFileRecord.h"

// `path` without one trailing "/", unless it is a single character.
std::string TrimRemotePath(std::string_view path);

class CHistoryQueue {
 public:
  struct HistoryNode {
    std::string path;  // trimmed
    // Shared with whoever shows it, so that showing costs no copy.
    std::shared_ptr<const RemoteListing> cachedListing;
  };

  CHistoryQueue() = default;
  virtual ~CHistoryQueue();
  CHistoryQueue(const CHistoryQueue&) = delete;
  CHistoryQueue& operator=(const CHistoryQueue&) = delete;

  // The node of `path`, or null. Valid until the next StoreListing or ClearHistory.
  const HistoryNode* FindPath(std::string_view path) const;
  // 0: `path` was known and its listing replaced; 1: a node was added at the end.
  int StoreListing(std::string_view path, RemoteListing listing);
  // Forgets every node and listing.
  void ClearHistory();

  // The nodes in the order they were added.
  const std::vector<HistoryNode>& Nodes() const { return nodes_; }
  std::size_t Count() const { return nodes_.size(); }

 private:
  std::vector<HistoryNode> nodes_;
};
