#pragma once
// A small profile (INI) document with the semantics users of the settings file rely on: section
// and key names compare without case, the first of duplicate sections or keys wins, values are
// replaced in place, a missing key is added at the end of its section and a missing section at
// the end of the file, and every line we do not understand is kept as it was.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

class IniDocument {
 public:
  static IniDocument Parse(std::string_view text);

  // The text after the equals sign of the first matching key, blanks around it removed and cut
  // to kMaxValueLength characters; nothing when the section or the key is missing.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  void Set(std::string_view section, std::string_view key, std::string_view value);

  std::string Serialize() const;

  static constexpr size_t kMaxValueLength = 2047;

 private:
  struct Span {
    size_t begin = 0;  // index of the section's header line
    size_t end = 0;    // one past its last line
  };
  std::optional<Span> FindSection(std::string_view section) const;
  std::optional<size_t> FindKey(const Span& span, std::string_view key) const;

  std::vector<std::string> lines_;
  std::string lineEnd_ = "\n";
};

// Profile integers: an optional sign, then decimal digits, or hexadecimal digits after "$", "x",
// "X", "0x" or "0X". Anything else, or a value outside the signed 32-bit range, is not a number.
std::optional<int32_t> ParseProfileInteger(std::string_view text);

}  // namespace tess
