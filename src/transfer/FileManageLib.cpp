#include "transfer/FileManageLib.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "local/LocalPath.h"
#include "platform/ErrorText.h"

bool CPathList::Add(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  return Append(path.c_str(), path.size() + 1);
}

bool CPathList::Close() { return Append("", 1); }

bool CPathList::Append(const char* data, std::size_t size) {
  if (capacity_ - used_ < size) {
    std::size_t capacity = capacity_;
    while (capacity - used_ < size) {
      if (capacity > static_cast<std::size_t>(-1) - kGrowStep) return false;
      capacity += kGrowStep;
    }
    std::unique_ptr<char[]> grown(new (std::nothrow) char[capacity]);
    if (!grown) return false;
    if (used_ > 0) std::memcpy(grown.get(), buffer_.get(), used_);
    buffer_ = std::move(grown);
    capacity_ = capacity;
  }
  std::memcpy(buffer_.get() + used_, data, size);
  used_ += size;
  return true;
}

void CPathList::Reset() {
  buffer_.reset();
  capacity_ = 0;
  used_ = 0;
}

std::vector<std::string> CPathList::Paths() const {
  std::vector<std::string> paths;
  std::size_t at = 0;
  while (at < used_) {
    std::size_t length = strnlen(buffer_.get() + at, used_ - at);
    if (length == 0) break;
    paths.emplace_back(buffer_.get() + at, length);
    at += length + 1;
  }
  return paths;
}

void CFileManageLib::Reset() {
  sources_.Reset();
  targets_.Reset();
}

void CFileManageLib::TakePaths(std::vector<std::string>& sources,
                               std::vector<std::string>& targets) {
  sources_.Close();
  targets_.Close();
  sources = sources_.Paths();
  targets = targets_.Paths();
  Reset();
}

platform::FileOpCallbacks CFileManageLib::Callbacks() {
  platform::FileOpCallbacks callbacks;
  if (ui_) {
    callbacks.progress = [this](const platform::FileOpProgress& p) { return ui_->Progress(p); };
    callbacks.replace = [this](const std::string& target) { return ui_->ConfirmReplace(target); };
  }
  return callbacks;
}

int CFileManageLib::Finish(const platform::FileOpResult& result) {
  if (ui_) {
    ui_->OperationFinished(result);
    if (!result.failures.empty()) ui_->ReportFailures(result.failures);
  }
  return result.Succeeded() ? 1 : 0;
}

int CFileManageLib::Delete() {
  std::vector<std::string> sources, targets;
  TakePaths(sources, targets);
  if (sources.empty() || !ui_) return 0;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < sources.size() && i < CFileOperationUi::kConfirmNames; ++i) {
    names.push_back(localpath::NameOf(sources[i]));
  }
  if (!ui_->ConfirmDelete(sources.size(), names)) return 0;
  ui_->OperationStarted(LocalFileOperation::Delete, sources.size());
  return Finish(platform::DeleteItems(sources, Callbacks()));
}

int CFileManageLib::Move() {
  std::vector<std::string> sources, targets;
  TakePaths(sources, targets);
  if (sources.empty() || targets.empty()) return 0;
  if (ui_) ui_->OperationStarted(LocalFileOperation::Move, sources.size());
  return Finish(platform::MoveInto(sources, targets.front(), Callbacks(), hooks_));
}

int CFileManageLib::Copy() {
  std::vector<std::string> sources, targets;
  TakePaths(sources, targets);
  if (sources.empty() || targets.empty()) return 0;
  if (ui_) ui_->OperationStarted(LocalFileOperation::Copy, sources.size());
  return Finish(platform::CopyInto(sources, targets.front(), Callbacks(), hooks_));
}

int CFileManageLib::Rename() {
  std::vector<std::string> sources, targets;
  TakePaths(sources, targets);
  if (sources.empty()) return 0;
  if (ui_) ui_->OperationStarted(LocalFileOperation::Rename, sources.size());
  platform::FileOpResult all;
  platform::FileOpCallbacks callbacks = Callbacks();
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (i >= targets.size()) {
      // No new name was given for it.
      all.failures.push_back({sources[i], EINVAL, platform::ErrorText(EINVAL)});
      continue;
    }
    platform::FileOpResult one = platform::RenameItem(sources[i], targets[i], callbacks, hooks_);
    all.done += one.done;
    all.skipped += one.skipped;
    all.failures.insert(all.failures.end(), one.failures.begin(), one.failures.end());
    if (one.cancelled) {
      all.cancelled = true;
      break;
    }
  }
  return Finish(all);
}
