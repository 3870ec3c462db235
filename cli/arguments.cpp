#include "cli/arguments.h"

namespace korvalind::cli {

std::optional<std::string> Arguments::Value(const std::string& name) const {
  auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

bool ParseArguments(const std::vector<std::string>& args, const OptionSpec& options, Arguments* out,
                    std::string* error) {
  bool options_done = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options_done && arg == "--") {
      options_done = true;
      continue;
    }
    if (options_done || arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
      out->operands.push_back(arg);
      continue;
    }
    std::string name = arg.substr(2);
    std::optional<std::string> value;
    if (size_t eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (options.with_value.count(name) != 0) {
      if (!value) {
        if (i + 1 >= args.size()) {
          *error = "option --" + name + " needs a value";
          return false;
        }
        value = args[++i];
      }
      out->values[name] = *value;
      out->repeated[name].push_back(*value);
    } else if (options.flags.count(name) != 0 && !value) {
      out->flags.insert(name);
    } else {
      *error = "unknown option \"" + arg + "\"";
      return false;
    }
  }
  return true;
}

}  // namespace korvalind::cli
