#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "cli/answer_format.h"
#include "cli/answer_suffixes.h"
#include "cli/commands.h"
#include "cli/directory_choice.h"
#include "cli/line_reader.h"
#include "cli/output.h"
#include "directory/loader.h"
#include "directory/number_text.h"
#include "directory/query.h"

namespace korvalind::cli {
namespace {

struct QuerySettings {
  Format format = Format::kText;
  Encoding encoding = Encoding::kUtf8;
  bool any_prefix = false;
  Columns columns = DefaultColumns();
};

// Answers texts one by one into buffered standard output and error.
class Answerer {
 public:
  Answerer(const DirectoryImage& image, const QuerySettings& settings)
      : image_(image),
        settings_(settings),
        acceptance_(HeldPrefixes(image)),
        text_encoding_(settings.encoding == Encoding::kGbk ? TextEncoding::kGbk
                                                           : TextEncoding::kUtf8),
        suffixes_(image, settings.format == Format::kText ? Format::kTsv : settings.format,
                  settings.encoding, settings.columns),
        out_(STDOUT_FILENO),
        err_(STDERR_FILENO) {}

  // Returns true when the text was found.
  bool Answer(std::string_view text, bool too_long) {
    if (settings_.format != Format::kText) return AnswerLine(text, too_long);
    QueryAnswer answer = Look(text, too_long);
    errors_.clear();
    form_.clear();
    FormatAnswer(settings_.format, settings_.encoding, text, answer, &form_, &errors_,
                 settings_.columns);
    // Answers in text form are kept apart by one empty line, wherever their texts came from; a
    // text that writes nothing here (a refusal, a miss outside the plan) adds no line of its own.
    if (!form_.empty()) {
      if (answered_) out_.buffer() += '\n';
      answered_ = true;
      out_.buffer() += form_;
    }
    if (!errors_.empty()) {
      // Keep the two streams in order for a reader that merges them.
      out_.Flush();
      err_.Write(errors_);
      err_.Flush();
    }
    out_.Write({});
    return answer.outcome == QueryAnswer::Outcome::kOk;
  }

  // Answers a block of whole lines, each ending in LF, as LineReader::Next would give them.
  bool AnswerLines(std::string_view lines) {
    bool all_found = true;
    while (!lines.empty() && !failed()) {
      const size_t end = lines.find('\n');
      std::string_view line = lines.substr(0, end);
      lines.remove_prefix(end + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      const bool too_long = line.size() > LineReader::kMaxLine;
      all_found &= Answer(line.substr(0, LineReader::kMaxLine), too_long);
    }
    return all_found;
  }

  bool Flush() { return out_.Flush(); }
  // A write has failed: the answers that follow would be lost too.
  bool failed() const { return out_.failed() || err_.failed(); }
  int error() const { return out_.failed() ? out_.error() : err_.error(); }
  static void FlushCallback(void* self) { static_cast<Answerer*>(self)->Flush(); }

 private:
  // One tsv or json line, answered through the directory index with no allocation; the
  // index-less walk stands in where the index cannot answer. A plain text's line is put together
  // from the parts the suffix table keeps.
  bool AnswerLine(std::string_view text, bool too_long) {
    // One view for every line: a fresh one would be zeroed each time. Its texts are read only
    // when the index has just filled them.
    AnswerView& view = line_;
    view.outcome = QueryAnswer::Outcome::kInvalid;
    view.encoding = text_encoding_;
    view.segment = too_long ? 0 : acceptance_.SegmentOfText(text, settings_.any_prefix, &prepared_);
    std::uint32_t code = 0;
    if (view.segment != 0) {
      if (!QuerySegmentCode(image_, view.segment, &view.outcome, &code)) {
        QueryAnswer answer = QuerySegment(image_, view.segment);
        FormatAnswer(settings_.format, settings_.encoding, text, answer, &out_.buffer(), &errors_,
                     settings_.columns);
        out_.Write({});
        return answer.outcome == QueryAnswer::Outcome::kOk;
      }
    }
    if (suffixes_.IsPlain(text)) {
      suffixes_.AppendLine(text, view.outcome, code, view.segment, &out_.buffer());
    } else {
      if (view.outcome == QueryAnswer::Outcome::kOk) {
        AnswerTextsOfCode(image_, code, text_encoding_, &view.texts);
      }
      AppendAnswerLine(settings_.format, settings_.encoding, settings_.columns, text, view,
                       &out_.buffer(), &scratch_);
    }
    out_.Write({});
    return view.outcome == QueryAnswer::Outcome::kOk;
  }

  QueryAnswer Look(std::string_view text, bool too_long) {
    const std::uint32_t segment =
        too_long ? 0 : acceptance_.SegmentOfText(text, settings_.any_prefix, &prepared_);
    return segment == 0 ? QueryAnswer{} : QuerySegment(image_, segment);
  }

  const DirectoryImage& image_;
  QuerySettings settings_;
  SegmentAcceptance acceptance_;
  TextEncoding text_encoding_;
  AnswerSuffixes suffixes_;
  Output out_;
  Output err_;
  std::string errors_;
  std::string scratch_;
  std::string prepared_;
  std::string form_;
  AnswerView line_;
  bool answered_ = false;
};

bool ParseSettings(const Arguments& args, QuerySettings* settings) {
  std::string format = args.Value("format").value_or("text");
  if (format == "text") {
    settings->format = Format::kText;
  } else if (format == "tsv") {
    settings->format = Format::kTsv;
  } else if (format == "json") {
    settings->format = Format::kJson;
  } else {
    PrintError("unknown format \"" + format + "\" (use text, tsv or json)");
    return false;
  }
  std::string encoding = args.Value("encoding").value_or("utf-8");
  if (encoding == "utf-8" || encoding == "utf8" || encoding == "UTF-8") {
    settings->encoding = Encoding::kUtf8;
  } else if (encoding == "gbk" || encoding == "GBK" || encoding == "cp936") {
    settings->encoding = Encoding::kGbk;
  } else {
    PrintError("unknown encoding \"" + encoding + "\" (use utf-8 or gbk)");
    return false;
  }
  settings->any_prefix = args.Flag("any-prefix");
  if (std::optional<std::string> fields = args.Value("fields")) {
    if (settings->format != Format::kTsv) {
      PrintError("--fields chooses tsv columns: it needs --format tsv");
      return false;
    }
    std::string error;
    if (!ParseColumns(*fields, &settings->columns, &error)) {
      PrintError(error);
      return false;
    }
  }
  return true;
}

}  // namespace

int RunQuery(const Arguments& args) {
  QuerySettings settings;
  if (!ParseSettings(args, &settings)) return kExitUsage;
  if (args.operands.empty()) {
    PrintError("query needs at least one TEXT (or - to read texts from standard input)");
    return kExitUsage;
  }
  // A few texts are answered sooner by walking the records than by building the index first.
  constexpr size_t kWalkedTexts = 8;
  bool many = args.operands.size() > kWalkedTexts;
  for (const std::string& operand : args.operands) many |= operand == "-";
  DirectoryImage image;
  if (!LoadChosenDirectory(args, &image, many ? IndexPolicy::kBuild : IndexPolicy::kSkip)) {
    return kExitUsage;
  }

  Answerer answerer(image, settings);
  bool all_found = true;
  int read_error = 0;
  for (const std::string& operand : args.operands) {
    if (answerer.failed()) break;
    if (operand != "-") {
      all_found &= answerer.Answer(operand, false);
      continue;
    }
    LineReader reader(STDIN_FILENO, &Answerer::FlushCallback, &answerer);
    std::string_view lines;
    bool too_long = false;
    while (!answerer.failed()) {
      if (reader.NextLines(&lines)) {
        all_found &= answerer.AnswerLines(lines);
      } else if (reader.Next(&lines, &too_long)) {
        all_found &= answerer.Answer(lines, too_long);
      } else {
        break;
      }
    }
    read_error = reader.error();
    if (read_error != 0) break;
  }
  answerer.Flush();
  if (answerer.failed()) {
    if (answerer.error() == EPIPE) EndByClosedPipe();
    PrintError("cannot write the answers to standard output");
    return kExitUsage;
  }
  if (read_error != 0) {
    PrintError(std::string("cannot read standard input: ") + std::strerror(read_error));
    return kExitUsage;
  }
  return all_found ? kExitOk : kExitFailed;
}

}  // namespace korvalind::cli
