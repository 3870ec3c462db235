#include "ui/url_command.h"

#include <algorithm>
#include <cerrno>
#include <optional>

namespace korvalind::ui {
namespace {

// Field codes that the desktop-entry rules define; none of them is expanded by the fallback.
bool IsFieldCode(char c) {
  constexpr std::string_view kCodes = "fFuUdDnNickvm";
  return kCodes.find(c) != std::string_view::npos;
}

// Removes the field codes from one argument and turns "%%" into "%". An argument that was
// nothing but a field code disappears (nullopt).
std::optional<std::string> ExpandFieldCodes(const std::string& word) {
  std::string out;
  bool had_code = false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (word[i] == '%' && i + 1 < word.size()) {
      char next = word[i + 1];
      ++i;
      if (next == '%') {
        out += '%';
      } else if (IsFieldCode(next)) {
        had_code = true;
      } else {
        out += '%';
        out += next;
      }
      continue;
    }
    out += word[i];
  }
  if (had_code && out.empty()) return std::nullopt;
  return out;
}

}  // namespace

int CodeForSpawnError(int error) {
  switch (error) {
    case ENOENT:
      return kFileNotFoundCode;
    case ENOTDIR:
      return kPathNotFoundCode;
    case EACCES:
    case EPERM:
      return kAccessDeniedCode;
    case ENOMEM:
      return kOutOfMemoryCode;
    case ENOEXEC:
      return kBadFormatCode;
    default:
      return kOutOfResourcesCode;
  }
}

int CodeForOpenerExit(int exitStatus) {
  switch (exitStatus) {
    case 0:
      return kOpenedCode;
    case 2:
      return kFileNotFoundCode;
    case 3:
      return kNoAssociationCode;
    default:
      return kAssociationIncompleteCode;
  }
}

std::string CutAtPlaceholder(std::string_view command) {
  constexpr std::string_view kPlaceholders[] = {"\"%1\"", "%1", "%u", "%U", "%f", "%F"};
  for (std::string_view placeholder : kPlaceholders) {
    size_t at = command.find(placeholder);
    if (at != std::string_view::npos) return std::string(command.substr(0, at));
  }
  return std::string(command);
}

std::string BuildFallbackCommand(std::string_view command, std::string_view url) {
  std::string line = CutAtPlaceholder(command);
  line += ' ';
  line += url;
  return line;
}

std::vector<std::string> SplitExecLine(std::string_view exec) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  auto finish = [&] {
    if (!in_word) return;
    if (std::optional<std::string> expanded = ExpandFieldCodes(word)) words.push_back(*expanded);
    word.clear();
    in_word = false;
  };
  for (size_t i = 0; i < exec.size(); ++i) {
    char c = exec[i];
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else if (c == '\\' && i + 1 < exec.size() &&
                 std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
        word += exec[++i];
      } else {
        word += c;
      }
    } else if (c == ' ' || c == '\t') {
      finish();
    } else if (c == '"') {
      quoted = true;
      in_word = true;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (quoted) return {};
  finish();
  return words;
}

std::vector<std::string> FallbackArguments(std::string_view command, std::string_view url) {
  std::vector<std::string> args = SplitExecLine(CutAtPlaceholder(command));
  if (args.empty()) return args;
  args.emplace_back(url);
  return args;
}

std::string DesktopEntryExec(std::string_view desktopFile) {
  bool in_entry = false;
  size_t pos = 0;
  while (pos <= desktopFile.size()) {
    size_t end = desktopFile.find('\n', pos);
    if (end == std::string_view::npos) end = desktopFile.size();
    std::string_view line = desktopFile.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.starts_with('[')) {
      in_entry = line == "[Desktop Entry]";
      continue;
    }
    if (!in_entry || !line.starts_with("Exec")) continue;
    std::string_view rest = line.substr(4);
    size_t first = rest.find_first_not_of(" \t");
    if (first == std::string_view::npos || rest[first] != '=') continue;  // Exec[xx]=, ExecX=
    rest = rest.substr(first + 1);
    rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(" \t")));
    std::string value;
    for (size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] != '\\' || i + 1 == rest.size()) {
        value += rest[i];
        continue;
      }
      switch (rest[++i]) {
        case 's':
          value += ' ';
          break;
        case 'n':
          value += '\n';
          break;
        case 't':
          value += '\t';
          break;
        case 'r':
          value += '\r';
          break;
        case '\\':
          value += '\\';
          break;
        default:
          value += '\\';
          value += rest[i];
      }
    }
    return value;
  }
  return {};
}

std::vector<std::string> DesktopFileCandidates(std::string_view desktopId,
                                               const std::vector<std::string>& dataFolders) {
  std::vector<std::string> paths;
  if (desktopId.empty() || desktopId.find('/') != std::string_view::npos) return paths;
  for (const std::string& folder : dataFolders) {
    std::string base = folder + "/applications/";
    paths.push_back(base + std::string(desktopId));
    size_t dash = desktopId.find('-');
    if (dash != std::string_view::npos) {
      std::string nested(desktopId);
      nested[dash] = '/';
      paths.push_back(base + nested);
    }
  }
  return paths;
}

std::vector<std::string> XdgDataFolders(std::string_view dataHome, std::string_view home,
                                        std::string_view dataDirs) {
  std::vector<std::string> folders;
  if (!dataHome.empty()) {
    folders.emplace_back(dataHome);
  } else if (!home.empty()) {
    folders.push_back(std::string(home) + "/.local/share");
  }
  if (dataDirs.empty()) dataDirs = "/usr/local/share:/usr/share";
  size_t pos = 0;
  while (pos <= dataDirs.size()) {
    size_t end = dataDirs.find(':', pos);
    if (end == std::string_view::npos) end = dataDirs.size();
    if (end > pos) folders.emplace_back(dataDirs.substr(pos, end - pos));
    pos = end + 1;
  }
  return folders;
}

}  // namespace korvalind::ui
