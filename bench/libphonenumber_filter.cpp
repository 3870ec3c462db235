// The filter job done with libphonenumber, for bench/compare: reads numbers one per line from
// the file named on the command line (standard input without one) and prints each with the
// region description of the offline geocoder, tab-separated, UTF-8. Output is buffered in large
// writes so that the comparison measures the look-ups, not the stream.
#include <phonenumbers/geocoding/phonenumber_offline_geocoder.h>
#include <phonenumbers/phonenumberutil.h>
#include <unicode/locid.h>

#include <cstdio>
#include <string>

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberOfflineGeocoder;
using i18n::phonenumbers::PhoneNumberUtil;

int main(int argc, char** argv) {
  std::FILE* in = argc > 1 ? std::fopen(argv[1], "rb") : stdin;
  if (in == nullptr) {
    std::perror(argv[1]);
    return 2;
  }
  const PhoneNumberUtil* util = PhoneNumberUtil::GetInstance();
  PhoneNumberOfflineGeocoder geocoder;
  const icu::Locale chinese("zh", "CN");
  std::string out;
  char line[4096];
  while (std::fgets(line, sizeof line, in) != nullptr) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    PhoneNumber number;
    out += text;
    out += '\t';
    if (util->Parse(text, "CN", &number) == PhoneNumberUtil::NO_PARSING_ERROR) {
      out += geocoder.GetDescriptionForNumber(number, chinese);
    } else {
      out += "invalid";
    }
    out += '\n';
    if (out.size() >= (1 << 16)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
