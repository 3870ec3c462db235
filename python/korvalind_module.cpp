// korvalind._korvalind: the directory for Python, over the C++ wrapper of libkorvalind.
//
// Batch look-ups turn numbers into the codes of pandas Categorical columns: the answer table is
// read once at open and split per field into categories and a map answer code -> category code,
// so that a look-up writes small integers and never builds a Python string per row.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "korvalind/korvalind.hpp"

namespace py = pybind11;

namespace {

constexpr int kFields = 5;
constexpr size_t kChunk = 4096;
// Status category codes: "ok", "invalid", "not-found".
constexpr std::int8_t kOk = 0, kInvalid = 1, kNotFound = 2;

std::string_view Field(const korvalind::Answer& answer, int field) {
  switch (field) {
    case 0:
      return answer.province;
    case 1:
      return answer.city;
    case 2:
      return answer.sim_type;
    case 3:
      return answer.area_code;
    default:
      return answer.post_code;
  }
}

// The integer type pandas keeps the codes of a Categorical with this many categories in, so
// that the codes are taken without a copy.
char CodeKind(size_t categories) {
  if (categories < 127) return 'b';
  if (categories < 32767) return 'h';
  return 'i';
}

class Directory {
 public:
  explicit Directory(const std::optional<std::string>& path)
      : directory_(Open(path)), count_(directory_.AnswerCount()) {
    // Per field: categories in the order answers first give them; the last two map entries
    // stand for invalid and not found.
    for (int f = 0; f < kFields; ++f) {
      std::unordered_map<std::string_view, std::int32_t> seen;
      std::vector<std::int32_t>& map = maps_[f];
      map.assign(count_ + 2, -1);
      for (std::uint32_t code = 0; code < count_; ++code) {
        const std::string_view value = Field(directory_.AnswerAt(code), f);
        auto [at, added] =
            seen.try_emplace(value, static_cast<std::int32_t>(categories_[f].size()));
        if (added) categories_[f].emplace_back(value);
        map[code] = at->second;
      }
    }
    statuses_.assign(count_ + 2, kOk);
    statuses_[count_] = kInvalid;
    statuses_[count_ + 1] = kNotFound;
  }

  // (status, province, city, sim_type, area_code, post_code) or None for an invalid text.
  py::tuple Lookup(const std::string& text, bool any_prefix, bool gbk) const {
    korvalind::Answer answer;
    const unsigned flags = (any_prefix ? KORVALIND_ANY_PREFIX : 0u) | (gbk ? KORVALIND_GBK : 0u);
    const korvalind_status status = directory_.Lookup(text, &answer, flags);
    auto convert = [gbk](std::string_view field) -> py::object {
      if (gbk) return py::bytes(field.data(), field.size());
      return py::str(field.data(), field.size());
    };
    py::tuple result(6);
    result[0] = py::str(korvalind_status_name(status));
    for (int f = 0; f < kFields; ++f) result[1 + f] = convert(Field(answer, f));
    return result;
  }

  // The status codes and the five fields' category codes of int64 numbers.
  py::tuple LookupNumbers(const py::array_t<std::int64_t, py::array::c_style>& numbers,
                          bool any_prefix) const {
    const size_t n = static_cast<size_t>(numbers.size());
    Columns columns = MakeColumns(n);
    const std::int64_t* in = numbers.data();
    {
      py::gil_scoped_release release;
      std::uint32_t codes[kChunk];
      for (size_t begin = 0; begin < n; begin += kChunk) {
        const size_t size = std::min(kChunk, n - begin);
        directory_.LookupNumbers({in + begin, size}, {codes, size},
                                 any_prefix ? KORVALIND_ANY_PREFIX : 0u);
        Fill(columns, begin, codes, size);
      }
    }
    return columns.Result();
  }

  // The same for a sequence of Python objects: int (as the numbers above), str or bytes (as
  // texts), float (NaN is invalid, an integral value a number); anything else, None included,
  // is invalid.
  py::tuple LookupObjects(const py::sequence& items, bool any_prefix) const {
    const size_t n = py::len(items);
    Columns columns = MakeColumns(n);
    const unsigned flags = any_prefix ? KORVALIND_ANY_PREFIX : 0u;
    std::uint32_t codes[kChunk];
    size_t filled = 0;
    for (size_t i = 0; i < n; ++i) {
      codes[filled++] = CodeOf(items[i], flags);
      if (filled == kChunk || i + 1 == n) {
        Fill(columns, i + 1 - filled, codes, filled);
        filled = 0;
      }
    }
    return columns.Result();
  }

  py::list Categories() const {
    py::list result;
    for (const auto& categories : categories_) result.append(py::cast(categories));
    return result;
  }

  py::dict Info() const {
    py::dict info;
    info["path"] = std::string(directory_.Path());
    info["segment_count"] = directory_.SegmentCount();
    info["count_line"] = std::string(directory_.CountLine());
    info["held_prefixes"] = directory_.HeldPrefixes();
    info["answer_count"] = count_;
    return info;
  }

 private:
  // The output arrays and their data, so that they are filled without the GIL.
  struct Columns {
    py::array_t<std::int8_t> status;
    std::array<py::array, kFields> fields;
    std::int8_t* status_data = nullptr;
    std::array<void*, kFields> field_data{};
    py::tuple Result() const {
      py::tuple result(1 + kFields);
      result[0] = status;
      for (int f = 0; f < kFields; ++f) result[1 + f] = fields[f];
      return result;
    }
  };

  static korvalind::Directory Open(const std::optional<std::string>& path) {
    try {
      return path ? korvalind::Directory::Open(*path) : korvalind::Directory::Open();
    } catch (const korvalind::OpenError& error) {
      // OSError(errno, text) would misreport the library's message; the text is complete.
      if (error.status() == KORVALIND_NO_MEMORY) throw std::bad_alloc();
      throw py::value_error(error.what());
    }
  }

  Columns MakeColumns(size_t n) const {
    Columns columns;
    columns.status = py::array_t<std::int8_t>(static_cast<py::ssize_t>(n));
    columns.status_data = columns.status.mutable_data();
    for (int f = 0; f < kFields; ++f) {
      columns.fields[f] = py::array(py::dtype(std::string(1, CodeKind(categories_[f].size()))),
                                    std::vector<py::ssize_t>{static_cast<py::ssize_t>(n)});
      columns.field_data[f] = columns.fields[f].mutable_data();
    }
    return columns;
  }

  template <typename Code>
  void FillField(int f, void* column, size_t begin, const std::uint32_t* slots, size_t size) const {
    Code* out = static_cast<Code*>(column) + begin;
    const std::int32_t* map = maps_[f].data();
    for (size_t j = 0; j < size; ++j) out[j] = static_cast<Code>(map[slots[j]]);
  }

  // Writes rows begin .. begin + size from their answer codes (which become map slots).
  void Fill(const Columns& columns, size_t begin, std::uint32_t* codes, size_t size) const {
    for (size_t j = 0; j < size; ++j) {
      const std::uint32_t code = codes[j];
      codes[j] = std::min(code, count_) + (code == KORVALIND_CODE_NOT_FOUND ? 1u : 0u);
    }
    std::int8_t* status = columns.status_data + begin;
    for (size_t j = 0; j < size; ++j) status[j] = statuses_[codes[j]];
    for (int f = 0; f < kFields; ++f) {
      void* column = columns.field_data[f];
      switch (CodeKind(categories_[f].size())) {
        case 'b':
          FillField<std::int8_t>(f, column, begin, codes, size);
          break;
        case 'h':
          FillField<std::int16_t>(f, column, begin, codes, size);
          break;
        default:
          FillField<std::int32_t>(f, column, begin, codes, size);
      }
    }
  }

  std::uint32_t CodeOf(const py::handle& item, unsigned flags) const {
    std::int64_t number = -1;
    if (PyBool_Check(item.ptr())) return KORVALIND_CODE_INVALID;
    if (PyLong_Check(item.ptr())) {
      int overflow = 0;
      number = PyLong_AsLongLongAndOverflow(item.ptr(), &overflow);
      if (overflow != 0) return KORVALIND_CODE_INVALID;
    } else if (PyFloat_Check(item.ptr())) {
      const double value = PyFloat_AS_DOUBLE(item.ptr());
      if (!std::isfinite(value) || value != std::floor(value) || std::fabs(value) > 1e15) {
        return KORVALIND_CODE_INVALID;
      }
      number = static_cast<std::int64_t>(value);
    } else if (PyUnicode_Check(item.ptr())) {
      Py_ssize_t length = 0;
      const char* text = PyUnicode_AsUTF8AndSize(item.ptr(), &length);
      if (text == nullptr) {
        PyErr_Clear();
        return KORVALIND_CODE_INVALID;
      }
      return directory_.LookupCode({text, static_cast<size_t>(length)}, flags);
    } else if (PyBytes_Check(item.ptr())) {
      return directory_.LookupCode(
          {PyBytes_AS_STRING(item.ptr()), static_cast<size_t>(PyBytes_GET_SIZE(item.ptr()))},
          flags);
    } else if (PyIndex_Check(item.ptr())) {
      // numpy integers and other objects that stand for an integer.
      py::object value = py::reinterpret_steal<py::object>(PyNumber_Index(item.ptr()));
      if (!value) {
        PyErr_Clear();
        return KORVALIND_CODE_INVALID;
      }
      int overflow = 0;
      number = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
      if (overflow != 0) return KORVALIND_CODE_INVALID;
    } else {
      return KORVALIND_CODE_INVALID;
    }
    std::uint32_t code = KORVALIND_CODE_INVALID;
    directory_.LookupNumbers({&number, 1}, {&code, 1}, flags);
    return code;
  }

  korvalind::Directory directory_;
  std::uint32_t count_;
  std::array<std::vector<std::string>, kFields> categories_;
  std::array<std::vector<std::int32_t>, kFields> maps_;
  std::vector<std::int8_t> statuses_;
};

}  // namespace

PYBIND11_MODULE(_korvalind, module) {
  module.doc() = "Where a mainland-China mobile number was issued: the C library for Python.";
  module.attr("version") = korvalind_version();
  py::class_<Directory>(module, "Directory")
      .def(py::init<const std::optional<std::string>&>(), py::arg("path") = py::none())
      .def("lookup", &Directory::Lookup, py::arg("text"), py::arg("any_prefix") = false,
           py::arg("gbk") = false)
      .def("lookup_numbers", &Directory::LookupNumbers, py::arg("numbers"),
           py::arg("any_prefix") = false)
      .def("lookup_objects", &Directory::LookupObjects, py::arg("items"),
           py::arg("any_prefix") = false)
      .def("categories", &Directory::Categories)
      .def("info", &Directory::Info);
}
