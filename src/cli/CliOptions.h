// The command line of skiffline-cli: a subcommand, its arguments and the
// options, which may stand before or after the subcommand.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class CliCommand { None, Ls, Get, Put, Rm, Mkdir };
enum class ExistsMode { Ask, Overwrite, Resume, Skip };

struct CliOptions {
  CliCommand command = CliCommand::None;
  std::vector<std::string> args;   // the subcommand's arguments
  std::string site;                // --site NAME: the login from the site file
  bool quiet = false;              // --quiet: no log lines
  std::optional<ExistsMode> exists;  // --exists MODE; unset: ask on a terminal, else skip
  // --active / --passive; unset: passive, or the site's own mode with --site.
  std::optional<bool> passive;
  bool help = false;
};

// False with a reason on a usage error.
bool ParseCliOptions(const std::vector<std::string>& argv, CliOptions& out, std::string& error);

std::string CliUsage();
