#include <unistd.h>

#include <cerrno>
#include <string>

#include "cli/commands.h"
#include "cli/output.h"
#include "cli/segment_lines.h"
#include "directory/loader.h"
#include "directory/query.h"
#include "tools/segment_answers.h"

namespace korvalind::cli {
namespace {

// Whether two segments give the same answer: the texts a query shows, not the bytes behind them.
bool SameAnswer(const SegmentAnswers& a, const SegmentAnswer& x, const SegmentAnswers& b,
                const SegmentAnswer& y) {
  const PlaceAnswer& p = a.PlaceOf(x);
  const PlaceAnswer& q = b.PlaceOf(y);
  return SimKindLabel(x.kind) == SimKindLabel(y.kind) && p.province == q.province &&
         p.shownCity == q.shownCity && p.areaCode == q.areaCode && p.postCode == q.postCode;
}

struct DiffCounts {
  size_t added = 0, removed = 0, changed = 0, unchanged = 0;
};

class DiffWriter {
 public:
  DiffWriter(const ShownAnswers& old_shown, const ShownAnswers& new_shown, Format format)
      : old_(old_shown), new_(new_shown), json_(format == Format::kJson), out_(STDOUT_FILENO) {}

  // One change of the segment; was or now is null for a segment only one directory answers.
  void Line(const char* change, std::uint32_t segment_number, const SegmentAnswer* was,
            const SegmentAnswer* now) {
    std::string& line = out_.buffer();
    const std::string segment = std::to_string(segment_number);
    if (json_) {
      line.append("{\"change\":\"").append(change).append("\",\"segment\":\"").append(segment);
      line.append("\"");
      if (was != nullptr) Answer(",\"old\":{", old_, *was, &line);
      if (now != nullptr) Answer(",\"new\":{", new_, *now, &line);
      line.append("}\n");
    } else {
      line.append(change).append("\t").append(segment);
      if (was != nullptr) old_.AppendFields(*was, &line);
      if (now != nullptr) new_.AppendFields(*now, &line);
      line.append("\n");
    }
    out_.Write({});
  }

  bool Finish(const DiffCounts& counts) {
    const std::pair<const char*, size_t> numbers[] = {{"added", counts.added},
                                                      {"removed", counts.removed},
                                                      {"changed", counts.changed},
                                                      {"unchanged", counts.unchanged}};
    std::string& line = out_.buffer();
    line.append(json_ ? "{\"summary\":{" : "summary");
    for (size_t i = 0; i < std::size(numbers); ++i) {
      if (json_) {
        line.append(i > 0 ? ",\"" : "\"").append(numbers[i].first).append("\":");
      } else {
        line.append("\t").append(numbers[i].first).append("=");
      }
      line.append(std::to_string(numbers[i].second));
    }
    line.append(json_ ? "}}\n" : "\n");
    return out_.Flush();
  }
  // The errno of the failed write, or 0.
  int error() const { return out_.error(); }

 private:
  // The json fields of ShownAnswers::AppendFields start with ","; the object takes them whole.
  static void Answer(const char* opening, const ShownAnswers& shown, const SegmentAnswer& answer,
                     std::string* line) {
    line->append(opening);
    const size_t start = line->size();
    shown.AppendFields(answer, line);
    line->erase(start, 1);
    line->append("}");
  }

  const ShownAnswers& old_;
  const ShownAnswers& new_;
  bool json_;
  Output out_;
};

}  // namespace

int RunDiff(const Arguments& args) {
  Format format = Format::kTsv;
  Encoding encoding = Encoding::kUtf8;
  if (!ParseListingOutput(args, &format, &encoding)) return kExitUsage;
  if (args.operands.size() != 2) {
    PrintError("diff needs two directory files, OLD and NEW");
    return kExitUsage;
  }
  DirectoryImage images[2];
  for (int i = 0; i < 2; ++i) {
    Status status = LoadDirectory(args.operands[i], &images[i], IndexPolicy::kSkip);
    if (!status.ok()) {
      PrintError(status.message());
      return kExitUsage;
    }
  }
  const SegmentAnswers was = AnswerAllSegments(images[0]);
  const SegmentAnswers now = AnswerAllSegments(images[1]);
  const ShownAnswers was_shown(was, format, encoding);
  const ShownAnswers now_shown(now, format, encoding);
  DiffWriter writer(was_shown, now_shown, format);
  DiffCounts counts;
  // A merge of the two segment lists; a list that has ended stands at a segment past any.
  constexpr std::uint32_t kPastLast = 0xFFFFFFFF;
  size_t i = 0, j = 0;
  while (i < was.segments.size() || j < now.segments.size()) {
    const std::uint32_t a = i < was.segments.size() ? was.segments[i].segment : kPastLast;
    const std::uint32_t b = j < now.segments.size() ? now.segments[j].segment : kPastLast;
    if (a < b) {
      writer.Line("removed", a, &was.segments[i++], nullptr);
      ++counts.removed;
    } else if (b < a) {
      writer.Line("added", b, nullptr, &now.segments[j++]);
      ++counts.added;
    } else {
      const SegmentAnswer& x = was.segments[i++];
      const SegmentAnswer& y = now.segments[j++];
      if (SameAnswer(was, x, now, y)) {
        ++counts.unchanged;
      } else {
        writer.Line("changed", a, &x, &y);
        ++counts.changed;
      }
    }
  }
  if (!writer.Finish(counts)) {
    if (writer.error() == EPIPE) EndByClosedPipe();
    PrintError("cannot write the differences to standard output");
    return kExitUsage;
  }
  return counts.added + counts.removed + counts.changed == 0 ? kExitOk : kExitFailed;
}

}  // namespace korvalind::cli
