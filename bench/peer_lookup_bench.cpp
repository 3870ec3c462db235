// libphonenumber's answer to the question our query answers: parse a number as a Chinese one and
// describe its region with the offline geocoder, on the numbers lookup_bench uses.
#include <benchmark/benchmark.h>
#include <phonenumbers/geocoding/phonenumber_offline_geocoder.h>
#include <phonenumbers/phonenumberutil.h>
#include <unicode/locid.h>

#include <string>
#include <vector>

#include "bench_inputs.h"

namespace korvalind {
namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberOfflineGeocoder;
using i18n::phonenumbers::PhoneNumberUtil;

constexpr size_t kNumbers = 1 << 14;

void BM_LibphonenumberParseGeocode(benchmark::State& state) {
  const std::vector<std::string> numbers = bench::SampleNumbers(kNumbers);
  const PhoneNumberUtil* util = PhoneNumberUtil::GetInstance();
  PhoneNumberOfflineGeocoder geocoder;
  const icu::Locale chinese("zh", "CN");
  size_t i = 0, described = 0;
  for (auto _ : state) {
    PhoneNumber number;
    std::string description;
    if (util->Parse(numbers[i++ % kNumbers], "CN", &number) == PhoneNumberUtil::NO_PARSING_ERROR) {
      description = geocoder.GetDescriptionForNumber(number, chinese);
    }
    described += !description.empty();
    benchmark::DoNotOptimize(description);
  }
  state.counters["found"] =
      static_cast<double>(described) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_LibphonenumberParseGeocode);

}  // namespace
}  // namespace korvalind

BENCHMARK_MAIN();
