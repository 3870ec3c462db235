#include <unistd.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "cli/commands.h"
#include "cli/directory_choice.h"
#include "cli/output.h"
#include "cli/segment_lines.h"
#include "tools/segment_answers.h"

namespace korvalind::cli {
namespace {

struct ListFilter {
  std::optional<std::string> province;
  std::optional<std::string> city;
  int kind = -1;  // any
};

bool ParseFilter(const Arguments& args, ListFilter* filter) {
  filter->province = args.Value("province");
  filter->city = args.Value("city");
  if (std::optional<std::string> kind = args.Value("kind")) {
    if (kind->size() != 1 || (*kind)[0] < '0' || (*kind)[0] > '7') {
      PrintError("--kind takes one digit 0 to 7, not \"" + *kind + "\"");
      return false;
    }
    filter->kind = (*kind)[0] - '0';
  }
  return true;
}

}  // namespace

int RunList(const Arguments& args) {
  Format format = Format::kTsv;
  Encoding encoding = Encoding::kUtf8;
  ListFilter filter;
  if (!ParseListingOutput(args, &format, &encoding) || !ParseFilter(args, &filter)) {
    return kExitUsage;
  }
  if (!args.operands.empty()) {
    PrintError("list takes no operands (\"" + args.operands.front() + "\")");
    return kExitUsage;
  }
  DirectoryImage image;
  if (!LoadChosenDirectory(args, &image, IndexPolicy::kSkip)) return kExitUsage;
  const SegmentAnswers answers = AnswerAllSegments(image);
  const ShownAnswers shown(answers, format, encoding);

  // Places are compared once each, in the output encoding, as whole names. Place pairs that
  // show the same names (a name the table holds twice) are counted as one.
  std::vector<bool> place_matches(answers.places.size());
  std::vector<std::uint32_t> same_names(answers.places.size());
  std::map<std::pair<std::string_view, std::string_view>, std::uint32_t> first_with_names;
  for (std::uint32_t place = 0; place < place_matches.size(); ++place) {
    place_matches[place] = (!filter.province || shown.Province(place) == *filter.province) &&
                           (!filter.city || shown.City(place) == *filter.city);
    same_names[place] =
        first_with_names.emplace(std::pair{shown.Province(place), shown.City(place)}, place)
            .first->second;
  }

  const bool json = format == Format::kJson;
  const bool count = args.Flag("count");
  Output out(STDOUT_FILENO);
  size_t matched = 0;
  // (place, kind) -> segments, in the order the groups are first met.
  std::map<std::pair<std::uint32_t, int>, size_t> group_numbers;
  std::vector<std::tuple<std::uint32_t, int, size_t>> groups;
  for (const SegmentAnswer& answer : answers.segments) {
    if (!place_matches[answer.place] || (filter.kind >= 0 && answer.kind != filter.kind)) {
      continue;
    }
    ++matched;
    if (count) {
      auto [found, added] = group_numbers.emplace(
          std::pair{same_names[answer.place], int{answer.kind}}, groups.size());
      if (added) groups.emplace_back(same_names[answer.place], answer.kind, 0);
      ++std::get<2>(groups[found->second]);
      continue;
    }
    std::string& line = out.buffer();
    const std::string segment = std::to_string(answer.segment);
    line.append(json ? "{\"segment\":\"" : "").append(segment).append(json ? "\"" : "");
    shown.AppendFields(answer, &line, true);
    line.append(json ? "}\n" : "\n");
    out.Write({});
  }
  for (const auto& [place, kind, segments] : groups) {
    std::string& line = out.buffer();
    line.append(json ? "{\"province\":" : "");
    shown.AppendText(shown.Province(place), &line);
    line.append(json ? ",\"city\":" : "\t");
    shown.AppendText(shown.City(place), &line);
    line.append(json ? ",\"kind\":" : "\t").append(std::to_string(kind));
    line.append(json ? ",\"count\":" : "\t").append(std::to_string(segments));
    line.append(json ? "}\n" : "\n");
    out.Write({});
  }
  if (!out.Flush()) {
    PrintError("cannot write the list to standard output");
    return kExitUsage;
  }
  return matched > 0 ? kExitOk : kExitFailed;
}

}  // namespace korvalind::cli
