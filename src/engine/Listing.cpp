// Directory listings over an active-mode data connection: MLSD where the
// server lists MLST among its features, else LIST.
#include <cstring>
#include <string>

#include "engine/DataSocketOwner.h"
#include "engine/FtpFunction.h"
#include "engine/ProgressThrottle.h"
#include "engine/QueueSteps.h"
#include "platform/ErrorText.h"
#include "platform/MessageIds.h"
#include "remote/ListingParser.h"
#include "remote/MlsdParser.h"

namespace {

constexpr std::size_t kListingPiece = 256 * 1024;
// A listing larger than this is refused rather than exhausting memory.
constexpr std::size_t kMaxListingBytes = 128u * 1024 * 1024;

bool Succeeded(int code) { return code >= 1 && code <= 399; }

// Appends a received piece. A zero byte cuts the rest of its line, so that
// no line reaches the parser with a terminator inside it. With `dropLine`
// (MLSD, where the name is the whole rest of the line) the line goes whole
// and is counted, so that no name is cut short into another name.
void AppendPiece(std::string& text, const char* data, std::size_t size, bool& cutting,
                 bool dropLine, std::size_t& droppedLines) {
  while (size > 0) {
    if (cutting) {
      const void* lf = std::memchr(data, '\n', size);
      if (!lf) return;
      cutting = false;
      std::size_t skip = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
      data += skip;
      size -= skip;
      continue;
    }
    const void* zero = std::memchr(data, '\0', size);
    std::size_t keep =
        zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : size;
    text.append(data, keep);
    if (!zero) return;
    if (dropLine) {
      const std::size_t lineStart = text.rfind('\n');
      text.resize(lineStart == std::string::npos ? 0 : lineStart + 1);
      ++droppedLines;
    }
    cutting = true;
    data += keep + 1;
    size -= keep + 1;
  }
}

}  // namespace

int CFtpFunction::ListDirectory(int notify) {
  cancelRequested = false;
  platform::SocketHandle control = controlSocket.load();
  if (!Succeeded(SendCommand("TYPE A\r\n", control))) return 0;
  platform::Socket listener(OpenDataPort(control));
  if (!listener.Valid()) return 0;
  const bool mlsd = ListsWithMlsd();
  int code = SendCommand(mlsd ? "MLSD\r\n" : "LIST\r\n", control);
  if (!Succeeded(code)) {
    if (mlsd && (code == 500 || code == 502)) {
      // FEAT promised more than the server does: LIST from now on.
      PostStatus("MLSD is not understood; listing with LIST");
      {
        std::lock_guard<std::mutex> lock(siteMutex);
        features.mlsd = false;
      }
      listener.Reset();
      return ListDirectory(notify);
    }
    if (code != REPLY_LOCAL_FAILURE)
      SetError(std::string(mlsd ? "MLSD" : "LIST") + " was refused: " + LastReply());
    return 0;
  }
  platform::PostTo(logWindow, platform::TextMessage(msg::WM_SESSION_COMMAND_LINE, ""));

  platform::SocketHandle data = AcceptData(listener.Get());
  listener.Reset();
  if (data == platform::kInvalidSocket) {
    FinishDataCommand(control, code, false);
    return 0;
  }
  PostStatus("Receive file directory list.....");
  bool received = ReceiveListing(data, notify);
  if (!Succeeded(FinishDataCommand(control, code, received))) return 0;
  PostStatus("Successful transfers");
  return 1;
}

bool CFtpFunction::ReceiveListing(platform::SocketHandle data, int notify) {
  DataSocketOwner connection(*this, data);
  // A cancel or stop that came before the connection was published.
  if (cancelRequested.load() || stopRequested.load()) platform::ShutdownSocket(data);
  std::string text;
  std::string piece(kListingPiece, '\0');
  bool failed = false;
  bool cutting = false;
  std::size_t zeroLines = 0;
  const bool mlsd = ListsWithMlsd();
  long long total = 0;
  ProgressThrottle throttle;

  auto postCount = [&] {
    std::string line;
    {
      std::lock_guard<std::recursive_mutex> lock(textMutex);
      line = FormatMessage("Receive number of bytes: %lld", total);
    }
    PostProgressText(line.c_str());
  };
  for (;;) {
    long n = platform::ReceiveBytes(data, piece.data(), piece.size());
    if (n < 0) {
      int error = platform::LastSocketError();
      SetError(platform::IsTimeoutError(error) ? "the listing's data connection went silent"
                                               : "the listing broke off: " + platform::ErrorText(error));
      failed = true;
    }
    if (n <= 0) break;
    AppendPiece(text, piece.data(), static_cast<std::size_t>(n), cutting, mlsd, zeroLines);
    total += n;
    if (text.size() > kMaxListingBytes) {
      FormatMessage(" listing larger than %zu bytes refused", kMaxListingBytes);
      SetErrorF("the listing is larger than %zu MiB", kMaxListingBytes >> 20);
      PostStatus(LastError().c_str());
      failed = true;
      break;
    }
    if (throttle.Due()) postCount();
  }
  // A cancel or stop shuts the connection down, which looks like its end.
  if (cancelRequested.load() || stopRequested.load()) failed = true;
  if (total > 0) postCount();
  FormatMessage(" ");
  PostProgressText(" ");
  PostProgressText(" ");
  piece = std::string();

  // A listing refused for its size is not parsed: no part of it is shown.
  if (failed && text.size() > kMaxListingBytes) text.clear();
  ListingParse parsed = mlsd ? ParseMlsdListing(text, UtcNowSeconds())
                              : ParseListingWithCounts(site.serverType, text);
  text = std::string();
  parsed.skippedNames += zeroLines;
  if (parsed.skippedNames != 0)
    queue_steps::PostStatusF(*this, "%zu listed names were left out: too long, not text or not a plain name",
                             parsed.skippedNames);
  if (parsed.truncated)
    queue_steps::PostStatusF(*this, "The listing was cut at %zu entries", kMaxListingRecords);
  RemoteListing records = std::move(parsed.records);
  if (notify == 1)
    platform::PostTo(viewWindow, platform::MakeMessage(msg::WM_SESSION_LISTING, 0, 0,
                                                       platform::Payload::Of(std::move(records))));
  else
    listing = std::move(records);

  connection.Close();
  return !failed;
}
