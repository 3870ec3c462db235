#pragma once

#include <string>
#include <vector>

namespace korvalind::testing {

// One row of tests/data/number_texts.tsv: a typed text and what every surface answers for it.
struct NumberText {
  std::string text;
  std::string prepared;    // PrepareNumberText of text
  std::string status;      // the default rule on the text as typed
  std::string page;        // the default rule on the prepared text, as the web page asks
  std::string any_prefix;  // the --any-prefix rule
  std::string carrier_id;  // of every answer whose status is not "invalid"

  // "status\tcarrier id" as the answer to a rule's status gives them ("" for invalid).
  std::string Expected(const std::string& rule_status) const {
    return rule_status + "\t" + (rule_status == "invalid" ? "" : carrier_id);
  }
};

// The rows of the table (KORVALIND_NUMBER_TEXTS names it), "\xNN" escapes decoded.
std::vector<NumberText> LoadNumberTexts();

}  // namespace korvalind::testing
