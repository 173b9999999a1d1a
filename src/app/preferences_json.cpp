// Reads AppData's fields from JSON text through the parser's event interface, so no
// document is built and nesting depth is under our control; writes the fixed layout.
#include "app/preferences_json.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <type_traits>
#include <variant>

namespace sp {
namespace {

using Json = nlohmann::json;
using IntField = std::int64_t AppDataRecord::*;
using TextField = std::string AppDataRecord::*;

struct Field {
  std::string_view name;
  std::variant<IntField, TextField> member;
};

// In the order the file is written; readers match members by name.
const std::array<Field, 10> kFields{{
    {"WindowW", &AppDataRecord::WindowW},
    {"WindowX", &AppDataRecord::WindowX},
    {"WindowY", &AppDataRecord::WindowY},
    {"Preferences", &AppDataRecord::Preferences},
    {"MainStation", &AppDataRecord::MainStation},
    {"cWindDock", &AppDataRecord::cWindDock},
    {"cWinX", &AppDataRecord::cWinX},
    {"cWinY", &AppDataRecord::cWinY},
    {"cWinOpen", &AppDataRecord::cWinOpen},
    {"WindowH", &AppDataRecord::WindowH},
}};

constexpr std::size_t kNameWidth = 11;  // "Preferences" and "MainStation"

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

// Toward zero; values beyond the 64-bit range are clamped to its ends.
std::int64_t TruncateToInt64(double value) {
  constexpr double kTwoPow63 = 9223372036854775808.0;
  if (std::isnan(value)) return 0;
  if (value >= kTwoPow63) return kInt64Max;
  if (value < -kTwoPow63) return kInt64Min;
  return static_cast<std::int64_t>(value);
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

const Field* FindField(std::string_view name) {
  for (const Field& field : kFields)
    if (EqualIgnoringCase(field.name, name)) return &field;
  return nullptr;
}

// Event handler for the parser. Only the values of top-level members reach a field;
// everything nested below them counts as "another kind of value".
class PreferencesReader {
 public:
  const AppDataRecord& record() const { return record_; }

  bool null() { return Take(0, nullptr); }
  bool boolean(bool value) { return Take(value ? 1 : 0, nullptr); }
  bool number_integer(Json::number_integer_t value) { return Take(value, nullptr); }
  bool number_unsigned(Json::number_unsigned_t value) {
    return Take(value > static_cast<std::uint64_t>(kInt64Max) ? kInt64Max
                                                              : static_cast<std::int64_t>(value),
                nullptr);
  }
  bool number_float(Json::number_float_t value, const Json::string_t&) {
    return Take(TruncateToInt64(value), nullptr);
  }
  bool string(Json::string_t& value) { return Take(0, &value); }
  bool binary(Json::binary_t&) { return Take(0, nullptr); }

  bool start_object(std::size_t) { return Open(); }
  bool start_array(std::size_t) { return Open(); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }

  bool key(Json::string_t& name) {
    if (depth_ == 1) target_ = FindField(name);
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
    return false;
  }

 private:
  // A value for the member named last: integer fields take `number`, text fields take
  // `text` when it is a JSON string and are emptied otherwise.
  bool Take(std::int64_t number, const std::string* text) {
    if (!target_) return true;
    std::visit(
        [&](auto member) {
          if constexpr (std::is_same_v<decltype(member), IntField>)
            record_.*member = text ? 0 : number;
          else
            record_.*member = text ? *text : std::string();
        },
        target_->member);
    target_ = nullptr;
    return true;
  }

  bool Open() {
    Take(0, nullptr);  // an array or object as a member's value
    return ++depth_ <= kMaxPreferencesDepth;
  }

  bool Close() {
    --depth_;
    return true;
  }

  AppDataRecord record_;  // starts cleared
  const Field* target_ = nullptr;
  std::size_t depth_ = 0;
};

}  // namespace

std::optional<AppDataRecord> ParsePreferences(std::string_view text) {
  // The parser skips a leading byte-order mark by itself; here it makes the file invalid.
  if (text.starts_with("\xEF\xBB\xBF")) return std::nullopt;
  // The parser also takes a NUL byte for the end of the input, which would let any text
  // follow it. A raw NUL is valid nowhere in JSON.
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  PreferencesReader reader;
  // Strict: only blanks may follow the top-level value. Comments are not JSON.
  if (!Json::sax_parse(text.begin(), text.end(), &reader, nlohmann::json::input_format_t::json,
                       /*strict=*/true, /*ignore_comments=*/false))
    return std::nullopt;
  return reader.record();
}

std::string QuoteJsonText(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default: {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20) {
          out += "\\u00";
          out += kHex[byte >> 4];
          out += kHex[byte & 0xF];
        } else {
          out += c;  // the slash and UTF-8 sequences go out as they are
        }
      }
    }
  }
  out += '"';
  return out;
}

std::string FormatPreferences(const AppDataRecord& record) {
  std::string out = "{\r\n";
  for (std::size_t i = 0; i < kFields.size(); ++i) {
    const Field& field = kFields[i];
    out += "  \"";
    out += field.name;
    out += '"';
    out.append(kNameWidth - field.name.size(), ' ');
    out += ": ";
    std::visit(
        [&](auto member) {
          if constexpr (std::is_same_v<decltype(member), IntField>)
            out += std::to_string(record.*member);
          else
            out += QuoteJsonText(record.*member);
        },
        field.member);
    out += i + 1 < kFields.size() ? ",\r\n" : "\r\n";
  }
  out += '}';
  return out;
}

}  // namespace sp
