// Annotates numbers in one batch call through korvalind.hpp:
//   annotate [--directory FILE] NUMBER...
// prints the number, the status and the five fields, tab-separated, one line per number.
// Exit status 0 when every number was found, 1 otherwise, 2 when the directory cannot be opened.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <korvalind/korvalind.hpp>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
  const char* path = nullptr;
  int first = 1;
  if (argc > 2 && std::string_view(argv[1]) == "--directory") {
    path = argv[2];
    first = 3;
  }
  try {
    const korvalind::Directory directory = korvalind::Directory::Open(path);
    std::vector<std::int64_t> numbers;
    for (int i = first; i < argc; ++i) numbers.push_back(std::strtoll(argv[i], nullptr, 10));
    std::vector<std::uint32_t> codes(numbers.size());
    if (directory.LookupNumbers(numbers, codes) != KORVALIND_OK) return 2;
    bool all_found = true;
    for (size_t i = 0; i < numbers.size(); ++i) {
      const char* status = codes[i] == KORVALIND_CODE_INVALID     ? "invalid"
                           : codes[i] == KORVALIND_CODE_NOT_FOUND ? "not-found"
                                                                  : "ok";
      const korvalind::Answer answer = directory.AnswerAt(codes[i]);
      std::printf("%lld\t%s\t%.*s\t%.*s\t%.*s\t%.*s\t%.*s\n", static_cast<long long>(numbers[i]),
                  status, static_cast<int>(answer.province.size()), answer.province.data(),
                  static_cast<int>(answer.city.size()), answer.city.data(),
                  static_cast<int>(answer.sim_type.size()), answer.sim_type.data(),
                  static_cast<int>(answer.area_code.size()), answer.area_code.data(),
                  static_cast<int>(answer.post_code.size()), answer.post_code.data());
      all_found &= codes[i] < directory.AnswerCount();
    }
    return all_found ? 0 : 1;
  } catch (const korvalind::OpenError& error) {
    std::fprintf(stderr, "annotate: %s\n", error.what());
    return 2;
  }
}
