#include "cli/CliOptions.h"

#include <utility>

namespace {

struct CommandShape {
  const char* name;
  CliCommand command;
  std::size_t minArgs;
  std::size_t maxArgs;
};

constexpr CommandShape kCommands[] = {
    {"ls", CliCommand::Ls, 1, 1},   {"get", CliCommand::Get, 1, 2},
    {"put", CliCommand::Put, 2, 2}, {"rm", CliCommand::Rm, 1, 1},
    {"mkdir", CliCommand::Mkdir, 1, 1},
};

bool ParseExists(const std::string& text, ExistsMode& mode) {
  static const std::pair<const char*, ExistsMode> kModes[] = {{"ask", ExistsMode::Ask},
                                                              {"overwrite", ExistsMode::Overwrite},
                                                              {"resume", ExistsMode::Resume},
                                                              {"skip", ExistsMode::Skip}};
  for (auto& [name, value] : kModes)
    if (text == name) {
      mode = value;
      return true;
    }
  return false;
}

}  // namespace

bool ParseCliOptions(const std::vector<std::string>& argv, CliOptions& out, std::string& error) {
  out = CliOptions{};
  std::vector<std::string> words;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      words.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = a;
    std::optional<std::string> value;
    std::size_t eq = a.find('=');
    if (a.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
    }
    auto takeValue = [&]() -> bool {
      if (value) return true;
      if (i + 1 >= argv.size()) {
        error = name + " needs a value";
        return false;
      }
      value = argv[++i];
      return true;
    };
    if (name == "--quiet" || name == "-q") {
      out.quiet = true;
    } else if (name == "--help" || name == "-h") {
      out.help = true;
    } else if (name == "--active") {
      out.passive = false;
    } else if (name == "--passive") {
      out.passive = true;
    } else if (name == "--site") {
      if (!takeValue()) return false;
      out.site = *value;
    } else if (name == "--exists") {
      if (!takeValue()) return false;
      ExistsMode mode;
      if (!ParseExists(*value, mode)) {
        error = "--exists takes ask, overwrite, resume or skip, not " + *value;
        return false;
      }
      out.exists = mode;
    } else {
      error = "unknown option " + a;
      return false;
    }
  }
  if (out.help) return true;
  if (words.empty()) {
    error = "no command given";
    return false;
  }
  for (const CommandShape& shape : kCommands) {
    if (words[0] != shape.name) continue;
    out.command = shape.command;
    out.args.assign(words.begin() + 1, words.end());
    if (out.args.size() < shape.minArgs || out.args.size() > shape.maxArgs) {
      error = std::string("wrong number of arguments for ") + shape.name;
      return false;
    }
    return true;
  }
  error = "unknown command " + words[0];
  return false;
}

std::string CliUsage() {
  return "Usage: skiffline-cli [OPTIONS] COMMAND ARGS\n"
         "Commands:\n"
         "  ls URL                 list a remote folder (or show one entry)\n"
         "  get URL [LOCALDIR]     download a file or a whole folder (default: .)\n"
         "  put LOCALPATH URL      upload a file or a whole folder into the remote folder URL\n"
         "  rm URL                 delete a remote file or a whole folder\n"
         "  mkdir URL              create a remote folder\n"
         "URL: ftp://[user[:password]@]host[:port]/path (no user: anonymous); an IPv6\n"
         "     host in brackets: ftp://[2001:db8::1]:2121/path;\n"
         "     with --site NAME just a path, the login coming from the site list\n"
         "     (SiteInfo.TWP in the data folder).\n"
         "Options:\n"
         "  --site NAME            take the login from the site file\n"
         "  --active               active mode: the server connects back (PORT/EPRT)\n"
         "  --passive              passive mode: the client connects (EPSV/PASV);\n"
         "                         the default, or the site's own mode with --site\n"
         "  --exists MODE          ask, overwrite, resume or skip an existing target\n"
         "                         (default: ask on a terminal, else skip)\n"
         "  --quiet, -q            no log lines; a failure prints one line\n"
         "  --help, -h             this text\n"
         "Exit status: 0 success, 1 failure, 2 usage error.\n";
}
