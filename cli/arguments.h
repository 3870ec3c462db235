#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace korvalind::cli {

// A command line split into its command, options and operands. Options are "--name VALUE",
// "--name=VALUE" or, for flags, "--name"; "--" ends the options; "-" alone is an operand.
struct Arguments {
  std::string command;
  std::map<std::string, std::string> values;                 // the last value of each option
  std::map<std::string, std::vector<std::string>> repeated;  // every value, in order
  std::set<std::string> flags;
  std::vector<std::string> operands;

  std::optional<std::string> Value(const std::string& name) const;
  bool Flag(const std::string& name) const { return flags.count(name) != 0; }
};

// What a command accepts: options that take a value and flags.
struct OptionSpec {
  std::set<std::string> with_value;
  std::set<std::string> flags;
};

// Parses args (without the program name and the command). On error returns false and sets
// *error to a message naming the offending argument.
bool ParseArguments(const std::vector<std::string>& args, const OptionSpec& options, Arguments* out,
                    std::string* error);

}  // namespace korvalind::cli
