// Directory, listing and transfer operations of a session, queue execution
// with folders, target conflicts and deletions.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "engine/FtpLib.h"
#include "platform/Files.h"

namespace queue_steps {
struct RemoteNames;
}

// Folder recursion deeper than this fails the folder entry.
inline constexpr int kMaxFolderDepth = 64;

class CFtpFunction : public CFtpLib {
 public:
  CFtpFunction();
  ~CFtpFunction() override;

  // --- listings and single-file transfers ---
  int ListDirectory(int notify);
  // Reads the listing from the data connection and parses it; false when the
  // data part failed (the parsed part is still handed on).
  bool ReceiveListing(platform::SocketHandle data, int notify);
  int TransferFile(const TransferEntry& entry);
  bool OpenLocalFile(const TransferEntry& entry, const std::string& path, platform::File& file);
  // REST (when the server takes it) and the transfer command line; the
  // local file positioned where the data goes. Sent after TYPE and PORT.
  int BuildTransferCommand(char (&buffer)[kCommandBufferSize], const TransferEntry& entry,
                           platform::File& file);
  bool PrepareRestart(const TransferEntry& entry, platform::File& file);
  // The data part of a download or upload; false when it did not go through
  // whole (the reason is in LastError()).
  bool ReceiveFile(platform::SocketHandle data, platform::File& file, std::int64_t expectedSize);
  bool SendFile(platform::SocketHandle data, platform::File& file);
  static std::int32_t TransferRate(std::uint64_t startTick, std::uint64_t nowTick,
                                   std::int64_t total);
  // User-interface thread: aborts the running listing or transfer. Returns
  // at once; a Cancel while one is still in flight does nothing.
  void Cancel();
  void AbortTransfer();
  bool CancelInFlight() const { return cancelInFlight.load(); }

  // --- queue execution ---
  int RunTransferQueue(const TransferEntry* entry);
  int RunEntry(TransferEntry& entry, queue_steps::RemoteNames& names);
  std::int64_t FindRemoteTarget(const char* name, const RemoteListing* remoteNames);
  std::int64_t FindLocalTarget(const std::string& path);
  int TransferWithDecision(TransferEntry& entry);
  int UploadFolder(const TransferEntry& entry, int depth = 0);
  int EnterUploadFolder(TransferEntry& entry);
  int DownloadFolder(const TransferEntry& entry, int depth = 0);
  int EnterDownloadFolder(TransferEntry& entry, bool createLocal = true);
  int RunDeleteQueue(const TransferEntry* entry);
  int DeleteEntry(const TransferEntry& entry);
  int DeleteFolder(const TransferEntry& entry, int depth = 0);
  void FreeListing(RemoteListing& list);

  // Sets `proceed`; the worker sets it back to 1 after each command.
  void SetProceed(std::int32_t value) { proceed = value; }

  // Problems of a run that no entry state shows: DELE / RMD replies of 400
  // or more, and listed names skipped as unsafe. Front ends that judge a run
  // (the command-line client) reset and read them.
  std::atomic<std::int32_t> refusedDeletions{0};
  std::atomic<std::int32_t> skippedNames{0};

 protected:
  // Whether the last FindRemoteTarget / FindLocalTarget found an existing
  // target: a remembered Skip or Rename applies to existing targets only.
  bool targetExists = false;
  // Whether that target is a symbolic link (its listed size is not the file's).
  bool targetIsLink = false;
  // The last cancel thread; joined before the next one starts and at destruction.
  std::thread cancelThread;
  // Set while a cancel thread runs its ABOR exchange.
  std::atomic<bool> cancelInFlight{false};
  // Reads the replies that have already arrived on the control connection.
  void ReadWaitingReplies(platform::SocketHandle control);
  // Ends every data command (listing or transfer) once its data part is over:
  // `commandCode` is the command's first reply (a 1xx: the final reply is
  // still to come), `dataOk` whether the data part went through. Reads that
  // final reply (bounded), aborting when it does not come, so that no reply
  // is ever taken for the next command's. Returns the final code (999 when
  // the data part failed or no reply came).
  int FinishDataCommand(platform::SocketHandle control, int commandCode, bool dataOk);
  // Notes a failed send or receive on the data connection as the reason.
  void NoteDataError(const char* what);
};
