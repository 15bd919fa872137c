#pragma once
// A small profile (INI) document with the semantics users of the settings file rely on: section
// and key names compare without case, the first of duplicate sections or keys wins, values are
// replaced in place, a missing key is added at the end of its section and a missing section at
// the end of the file, and every line we do not understand is kept as it was. A leading UTF-8
// byte-order mark (what some editors write) is no part of the first line, and is written back.
// The lines are places in the text as read, not strings of their own: a file of a million blank
// lines costs a million small records, not a million allocations.
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
  // to `limit` characters; nothing when the section or the key is missing.
  std::optional<std::string> Value(std::string_view section, std::string_view key,
                                   size_t limit = kMaxValueLength) const;

  void Set(std::string_view section, std::string_view key, std::string_view value);

  std::string Serialize() const;

  // The longest value read: a path as long as the system allows (PATH_MAX, its terminator
  // included).
  static constexpr size_t kMaxValueLength = 4095;

 private:
  struct Span {
    size_t begin = 0;  // index of the section's header line
    size_t end = 0;    // one past its last line
  };
  // A line: where its text lies, in the text as read or among the lines made since.
  struct Line {
    size_t begin = 0;
    size_t length = 0;
    bool added = false;
  };
  std::string_view Text(size_t line) const;
  Line Add(std::string_view text);
  std::optional<Span> FindSection(std::string_view section) const;
  std::optional<size_t> FindKey(const Span& span, std::string_view key) const;

  std::string read_;   // the file's text, as read
  std::string added_;  // the text of lines made by Set, one after another
  std::vector<Line> lines_;
  std::string lineEnd_ = "\n";
  bool byteOrderMark_ = false;
};

// Profile integers: an optional sign, then decimal digits, or hexadecimal digits after "$", "x",
// "X", "0x" or "0X". Anything else, or a value outside the signed 32-bit range, is not a number.
std::optional<int32_t> ParseProfileInteger(std::string_view text);

}  // namespace tess
