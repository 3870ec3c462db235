#include "fault/dump_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>

namespace korvalind::testing {
namespace {

constexpr size_t kProvinces = 31;
constexpr size_t kCitiesPerProvince = 10;
constexpr size_t kCities = kGeneratedCities;
static_assert(kCities == kProvinces * kCitiesPerProvince);

// "省" and "市" (GBK) followed by a number: distinct names of more than 2 bytes.
std::string ProvinceName(size_t p) { return "\xca\xa1" + std::to_string(p); }
std::string CityName(size_t c) { return "\xca\xd0" + std::to_string(c); }

class Writer {
 public:
  explicit Writer(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (file_ == nullptr) ADD_FAILURE() << "cannot create " << path;
  }
  ~Writer() {
    if (file_ != nullptr && std::fclose(file_) != 0) ADD_FAILURE() << "cannot write a dump";
  }
  void Line(const std::string& text) {
    if (file_ == nullptr) return;
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fwrite("\r\n", 1, 2, file_);
  }

 private:
  std::FILE* file_;
};

}  // namespace

std::string GeneratedSegment(size_t row) { return std::to_string(1300000 + row % 700000); }
std::string GeneratedProvince(size_t row) {
  return ProvinceName(row % kCities / kCitiesPerProvince);
}
std::string GeneratedCity(size_t row) { return CityName(row % kCities); }

void WriteGeneratedData(const std::string& folder, size_t rows) {
  {
    Writer city(folder + "/city");
    city.Line("\xb5\xd8\xc3\xfb");  // 地名, the heading
    for (size_t p = 0; p < kProvinces; ++p) city.Line(ProvinceName(p));
    for (size_t c = 0; c < kCities; ++c) {
      if (c % 10 != 9) city.Line(CityName(c));
    }
  }
  {
    Writer areacode(folder + "/areacode");
    for (size_t c = 0; c < kCities; ++c) {
      areacode.Line("'" + ProvinceName(c / kCitiesPerProvince) + "','" + CityName(c) + "','" +
                    std::to_string(100000 + c * 100) + "','0" + std::to_string(100 + c) + "')");
    }
  }
  Writer dump(folder + "/simcard2.sql");
  dump.Line("INSERT INTO `simcard` VALUES");
  for (size_t i = 0; i < rows; ++i) {
    dump.Line("(" + std::to_string(i + 1) + ",'" + GeneratedSegment(i) + "','" +
              GeneratedProvince(i) + "','" + GeneratedCity(i) + "','" + std::to_string(i % 5 + 1) +
              "','0" + std::to_string(100 + i % kCities) + "'),");
  }
}

void WriteWorkedData(const std::string& folder) {
  const std::string hebei = "\xba\xd3\xb1\xb1";                 // 河北
  const std::string shijiazhuang = "\xca\xaf\xbc\xd2\xd7\xaf";  // 石家庄
  const std::string baoding = "\xb1\xa3\xb6\xa8";               // 保定
  Writer(folder + "/city").Line("\xb5\xd8\xc3\xfb\r\n" + hebei + "\r\n" + shijiazhuang);
  Writer(folder + "/areacode")
      .Line("'" + hebei + "','" + shijiazhuang + "','050000','0311')\r\n'" + hebei + "','" +
            baoding + "','071000','0312')");
  Writer(folder + "/simcard2.sql")
      .Line("INSERT INTO `simcard` VALUES\r\n(7,'1390123','" + hebei + "','" + shijiazhuang +
            "','1','0311'),\r\n(8,'1300000','" + hebei + "','" + baoding + "','3','0312');");
}

size_t InputBytes(const std::string& folder) {
  size_t total = 0;
  for (const char* name : {"city", "areacode", "simcard2.sql"}) {
    struct stat info {};
    if (::stat((folder + "/" + name).c_str(), &info) == 0)
      total += static_cast<size_t>(info.st_size);
  }
  return total;
}

}  // namespace korvalind::testing
