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
// The carrier columns: the number plan's carrier name and id, both coded by carrier.
constexpr int kCarrierFields = 2;
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

// numpy's and pandas' own kinds of values, found without importing either: a value of theirs
// can only exist once its module is loaded. Looked up once per call, when first needed.
class ForeignKinds {
 public:
  bool IsNumpyBool(PyObject* value) {
    Load();
    return IsInstance(value, numpy_bool_);
  }
  bool IsNumpyFloat(PyObject* value) {
    Load();
    return IsInstance(value, numpy_floating_);
  }
  // pandas.NA, pandas.NaT and numpy's masked constant.
  bool IsMissing(PyObject* value) {
    Load();
    for (const py::object* marker : {&pandas_na_, &pandas_nat_, &numpy_masked_}) {
      if (*marker && value == marker->ptr()) return true;
    }
    return false;
  }

 private:
  static py::object Attribute(const char* module_name, const char* name) {
    auto module = py::reinterpret_steal<py::object>(PyImport_GetModule(py::str(module_name).ptr()));
    if (!module) {
      PyErr_Clear();
      return {};
    }
    return py::getattr(module, name, py::object());
  }
  static bool IsInstance(PyObject* value, const py::object& type) {
    if (!type) return false;
    const int result = PyObject_IsInstance(value, type.ptr());
    if (result < 0) PyErr_Clear();
    return result == 1;
  }
  void Load() {
    if (loaded_) return;
    loaded_ = true;
    numpy_bool_ = Attribute("numpy", "bool_");
    numpy_floating_ = Attribute("numpy", "floating");
    numpy_masked_ = Attribute("numpy.ma", "masked");
    pandas_na_ = Attribute("pandas", "NA");
    pandas_nat_ = Attribute("pandas", "NaT");
  }

  bool loaded_ = false;
  py::object numpy_bool_, numpy_floating_, numpy_masked_, pandas_na_, pandas_nat_;
};

// What one value looks up to: its answer code and the number plan's carrier of its segment
// (KORVALIND_CARRIER_NONE for a refused value).
struct Looked {
  std::uint32_t code = KORVALIND_CODE_INVALID;
  std::uint8_t carrier = KORVALIND_CARRIER_NONE;
};

class Directory {
 public:
  explicit Directory(const std::optional<std::string>& path)
      : directory_(Open(path)), count_(directory_.AnswerCount()) {
    // Carrier categories in the order of the library's carrier codes, from 1 on.
    for (int carrier = 1; *korvalind_carrier_id(carrier) != '\0'; ++carrier) {
      carrier_categories_[0].emplace_back(korvalind_carrier_name(carrier, 0));
      carrier_categories_[1].emplace_back(korvalind_carrier_id(carrier));
    }
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

  // (status, province, city, sim_type, area_code, post_code, carrier, carrier_id) of one value,
  // taken as lookup_objects takes each of its items; the five fields are "" unless the status
  // is "ok", the carrier's "" for a refused value or one the number plan names none for.
  py::tuple LookupValue(const py::handle& value, bool any_prefix, bool gbk) const {
    ForeignKinds kinds;
    const Looked looked = CodeOf(value.ptr(), any_prefix ? KORVALIND_ANY_PREFIX : 0u, kinds);
    const unsigned text_flags = gbk ? KORVALIND_GBK : 0u;
    const korvalind::Answer answer = directory_.AnswerAt(looked.code, text_flags);
    auto convert = [gbk](std::string_view field) -> py::object {
      if (gbk) return py::bytes(field.data(), field.size());
      return py::str(field.data(), field.size());
    };
    py::tuple result(1 + kFields + kCarrierFields);
    result[0] = py::str(StatusName(looked.code));
    for (int f = 0; f < kFields; ++f) result[1 + f] = convert(Field(answer, f));
    result[1 + kFields] = convert(korvalind_carrier_name(looked.carrier, text_flags));
    result[2 + kFields] = convert(korvalind_carrier_id(looked.carrier));
    return result;
  }

  // The status codes and the category codes of the five fields and the carrier columns, for
  // int64 numbers.
  py::tuple LookupNumbers(const py::array_t<std::int64_t, py::array::c_style>& numbers,
                          bool any_prefix) const {
    const size_t n = static_cast<size_t>(numbers.size());
    Columns columns = MakeColumns(n);
    const std::int64_t* in = numbers.data();
    {
      py::gil_scoped_release release;
      std::uint32_t codes[kChunk];
      std::uint8_t carriers[kChunk];
      for (size_t begin = 0; begin < n; begin += kChunk) {
        const size_t size = std::min(kChunk, n - begin);
        korvalind_lookup_numbers_ex(directory_.handle(), in + begin, size,
                                    any_prefix ? KORVALIND_ANY_PREFIX : 0u, codes, carriers);
        Fill(columns, begin, codes, carriers, size);
      }
    }
    return columns.Result();
  }

  // The same for a sequence of Python objects, each taken by its own type: an int (or anything
  // standing for one, numpy's integers included) is a number as above; a float is that number
  // when whole, else invalid; str and bytes are texts (UTF-8); None, NaN and pandas' and numpy's
  // missing markers are invalid; any other type raises TypeError.
  py::tuple LookupObjects(const py::sequence& items, bool any_prefix) const {
    const size_t n = py::len(items);
    Columns columns = MakeColumns(n);
    const unsigned flags = any_prefix ? KORVALIND_ANY_PREFIX : 0u;
    ForeignKinds kinds;
    std::uint32_t codes[kChunk];
    std::uint8_t carriers[kChunk];
    size_t filled = 0;
    for (size_t i = 0; i < n; ++i) {
      const Looked looked = CodeOf(py::object(items[i]).ptr(), flags, kinds);
      codes[filled] = looked.code;
      carriers[filled++] = looked.carrier;
      if (filled == kChunk || i + 1 == n) {
        Fill(columns, i + 1 - filled, codes, carriers, filled);
        filled = 0;
      }
    }
    return columns.Result();
  }

  py::list Categories() const {
    py::list result;
    for (const auto& categories : categories_) result.append(py::cast(categories));
    for (const auto& categories : carrier_categories_) result.append(py::cast(categories));
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
    std::array<py::array_t<std::int8_t>, kCarrierFields> carriers;
    std::int8_t* status_data = nullptr;
    std::array<void*, kFields> field_data{};
    std::array<std::int8_t*, kCarrierFields> carrier_data{};
    py::tuple Result() const {
      py::tuple result(1 + kFields + kCarrierFields);
      result[0] = status;
      for (int f = 0; f < kFields; ++f) result[1 + f] = fields[f];
      for (int c = 0; c < kCarrierFields; ++c) result[1 + kFields + c] = carriers[c];
      return result;
    }
  };

  static korvalind::Directory Open(const std::optional<std::string>& path) {
    try {
      return path ? korvalind::Directory::Open(*path) : korvalind::Directory::Open();
    } catch (const korvalind::OpenError& error) {
      // The module turns these into FileNotFoundError and its kin (with errno, which only it
      // can find out) and DamagedDirectoryError; the library's text names the file.
      if (error.status() == KORVALIND_NO_MEMORY) throw std::bad_alloc();
      if (error.status() == KORVALIND_DAMAGED) throw py::value_error(error.what());
      PyErr_SetString(PyExc_OSError, error.what());
      throw py::error_already_set();
    }
  }

  static const char* StatusName(std::uint32_t code) {
    if (code == KORVALIND_CODE_INVALID) return korvalind_status_name(KORVALIND_INVALID);
    if (code == KORVALIND_CODE_NOT_FOUND) return korvalind_status_name(KORVALIND_NOT_FOUND);
    return korvalind_status_name(KORVALIND_OK);
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
    for (int c = 0; c < kCarrierFields; ++c) {
      columns.carriers[c] = py::array_t<std::int8_t>(static_cast<py::ssize_t>(n));
      columns.carrier_data[c] = columns.carriers[c].mutable_data();
    }
    return columns;
  }

  template <typename Code>
  void FillField(int f, void* column, size_t begin, const std::uint32_t* slots, size_t size) const {
    Code* out = static_cast<Code*>(column) + begin;
    const std::int32_t* map = maps_[f].data();
    for (size_t j = 0; j < size; ++j) out[j] = static_cast<Code>(map[slots[j]]);
  }

  // Writes rows begin .. begin + size from their answer codes (which become map slots) and
  // carriers.
  void Fill(const Columns& columns, size_t begin, std::uint32_t* codes,
            const std::uint8_t* carriers, size_t size) const {
    // Carrier code c is category c - 1; none (and a code past the categories) is missing.
    const size_t known = carrier_categories_[0].size();
    for (int c = 0; c < kCarrierFields; ++c) {
      std::int8_t* out = columns.carrier_data[c] + begin;
      for (size_t j = 0; j < size; ++j) {
        out[j] = carriers[j] <= known ? static_cast<std::int8_t>(carriers[j] - 1) : -1;
      }
    }
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

  Looked NumberCode(std::int64_t number, unsigned flags) const {
    Looked looked;
    korvalind_lookup_numbers_ex(directory_.handle(), &number, 1, flags, &looked.code,
                                &looked.carrier);
    return looked;
  }

  // A float stands for a number only when it is whole; past 1e15 nothing is one anyway.
  Looked FloatCode(double value, unsigned flags) const {
    if (!std::isfinite(value) || value != std::floor(value) || std::fabs(value) > 1e15) {
      return {};
    }
    return NumberCode(static_cast<std::int64_t>(value), flags);
  }

  Looked TextCode(std::string_view text, unsigned flags) const {
    korvalind_answer_ex answer{};
    answer.size = sizeof answer;
    korvalind_lookup_ex(directory_.handle(), text.data(), text.size(), flags, &answer);
    return {directory_.LookupCode(text, flags), static_cast<std::uint8_t>(answer.carrier_code)};
  }

  Looked BytesCode(PyObject* bytes, unsigned flags) const {
    return TextCode({PyBytes_AS_STRING(bytes), static_cast<size_t>(PyBytes_GET_SIZE(bytes))},
                    flags);
  }

  Looked StrCode(PyObject* text, unsigned flags) const {
    Py_ssize_t length = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(text, &length);
    if (utf8 != nullptr) return TextCode({utf8, static_cast<size_t>(length)}, flags);
    PyErr_Clear();
    // Lone surrogates: the bytes they stand for when Python made them from undecodable bytes
    // (surrogateescape, as os.fsdecode does), else the surrogates' own UTF-8 form.
    py::object bytes = py::reinterpret_steal<py::object>(
        PyUnicode_AsEncodedString(text, "utf-8", "surrogateescape"));
    if (!bytes) {
      PyErr_Clear();
      bytes = py::reinterpret_steal<py::object>(
          PyUnicode_AsEncodedString(text, "utf-8", "surrogatepass"));
      if (!bytes) throw py::error_already_set();
    }
    return BytesCode(bytes.ptr(), flags);
  }

  Looked IntCode(PyObject* integer, unsigned flags) const {
    int overflow = 0;
    const std::int64_t number = PyLong_AsLongLongAndOverflow(integer, &overflow);
    if (overflow != 0) return {};
    if (number == -1 && PyErr_Occurred() != nullptr) throw py::error_already_set();
    return NumberCode(number, flags);
  }

  Looked CodeOf(PyObject* item, unsigned flags, ForeignKinds& kinds) const {
    if (item == Py_None) return {};
    if (PyUnicode_Check(item)) return StrCode(item, flags);
    if (PyBytes_Check(item)) return BytesCode(item, flags);
    if (PyFloat_Check(item)) return FloatCode(PyFloat_AS_DOUBLE(item), flags);
    if (PyLong_CheckExact(item)) return IntCode(item, flags);
    // numpy's bool stands for an integer only with a deprecation warning, and its masked
    // constant stands for one but cannot give it; no bool is a number.
    if (PyBool_Check(item) || kinds.IsNumpyBool(item) || kinds.IsMissing(item)) return {};
    if (PyIndex_Check(item)) {
      py::object value = py::reinterpret_steal<py::object>(PyNumber_Index(item));
      if (!value) throw py::error_already_set();
      return IntCode(value.ptr(), flags);
    }
    if (kinds.IsNumpyFloat(item)) {
      const double value = PyFloat_AsDouble(item);
      if (value == -1.0 && PyErr_Occurred() != nullptr) throw py::error_already_set();
      return FloatCode(value, flags);
    }
    const py::handle type(reinterpret_cast<PyObject*>(Py_TYPE(item)));
    const std::string module = py::str(type.attr("__module__"));
    const std::string name = py::str(type.attr("__qualname__"));
    throw py::type_error("cannot look up a value of type " +
                         (module == "builtins" ? name : module + "." + name) +
                         ": pass an int, a float, a str or bytes");
  }

  korvalind::Directory directory_;
  std::uint32_t count_;
  std::array<std::vector<std::string>, kFields> categories_;
  std::array<std::vector<std::int32_t>, kFields> maps_;
  std::array<std::vector<std::string>, kCarrierFields> carrier_categories_;
  std::vector<std::int8_t> statuses_;
};

}  // namespace

PYBIND11_MODULE(_korvalind, module) {
  module.doc() = "Where a mainland-China mobile number was issued: the C library for Python.";
  module.attr("version") = korvalind_version();
  py::class_<Directory>(module, "Directory")
      .def(py::init<const std::optional<std::string>&>(), py::arg("path") = py::none())
      .def("lookup_value", &Directory::LookupValue, py::arg("value"), py::arg("any_prefix") = false,
           py::arg("gbk") = false)
      .def("lookup_numbers", &Directory::LookupNumbers, py::arg("numbers"),
           py::arg("any_prefix") = false)
      .def("lookup_objects", &Directory::LookupObjects, py::arg("items"),
           py::arg("any_prefix") = false)
      .def("categories", &Directory::Categories)
      .def("info", &Directory::Info);
}
