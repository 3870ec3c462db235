#include "support/number_texts.h"

#include <fstream>
#include <sstream>

namespace korvalind::testing {
namespace {

// The table's escapes: "\xNN" for a byte.
std::string Unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] == 'x') {
      out += static_cast<char>(std::stoi(field.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

}  // namespace

std::vector<NumberText> LoadNumberTexts() {
  std::ifstream file(KORVALIND_NUMBER_TEXTS);
  std::string line;
  std::getline(file, line);  // the header
  std::vector<NumberText> rows;
  while (std::getline(file, line)) {
    std::vector<std::string> f;
    std::stringstream row(line);
    for (std::string cell; std::getline(row, cell, '\t');) f.push_back(cell);
    f.resize(6);
    rows.push_back({Unescape(f[0]), Unescape(f[1]), f[2], f[3], f[4], f[5]});
  }
  return rows;
}

}  // namespace korvalind::testing
