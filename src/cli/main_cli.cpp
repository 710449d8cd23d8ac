// skiffline-cli: the command-line client over the session, queue and
// question code of Skiffline.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "cli/PrintableText.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  CliOptions options;
  std::string error;
  if (!ParseCliOptions(args, options, error)) {
    std::fprintf(stderr, "skiffline-cli: %s\n%s", PrintableText(error).c_str(), CliUsage().c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(CliUsage().c_str(), stdout);
    return kExitSuccess;
  }
  CliSession session(options);
  return session.Run();
}
