#include "settings/ini.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace tess {

namespace {

// A carriage return stays in the line it ends (so that every line keeps its own line end when
// the file is written again) and counts as a blank when the line is read.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

bool EndsInCarriageReturn(std::string_view line) {
  return !line.empty() && line.back() == '\r';
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The section name of a header line such as "[General]", or nothing for other lines.
std::optional<std::string_view> HeaderName(std::string_view line) {
  line = TrimBlanks(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  const auto close = line.find(']');
  return TrimBlanks(line.substr(0, close));
}

// The key of a "key=value" line, or nothing for lines without an equals sign.
std::optional<std::string_view> KeyName(std::string_view line) {
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return TrimBlanks(line.substr(0, eq));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  if (text.starts_with(kByteOrderMark)) {
    doc.byteOrderMark_ = true;
    text.remove_prefix(kByteOrderMark.size());
  }
  doc.read_ = text;
  size_t start = 0;
  bool first = true;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    const bool terminated = end != std::string_view::npos;
    if (!terminated) end = text.size();
    // New lines follow the file's first line end.
    if (first && terminated && EndsInCarriageReturn(text.substr(start, end - start)))
      doc.lineEnd_ = "\r\n";
    first = false;
    doc.lines_.push_back(Line{start, end - start, false});
    start = end + 1;
  }
  return doc;
}

std::string_view IniDocument::Text(size_t line) const {
  const Line& l = lines_[line];
  return std::string_view(l.added ? added_ : read_).substr(l.begin, l.length);
}

IniDocument::Line IniDocument::Add(std::string_view text) {
  const Line line{added_.size(), text.size(), true};
  added_.append(text);
  return line;
}

std::optional<IniDocument::Span> IniDocument::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const auto name = HeaderName(Text(i));
    if (!name || !EqualsNoCase(*name, section)) continue;
    size_t end = i + 1;
    while (end < lines_.size() && !HeaderName(Text(end)))
      ++end;
    return Span{i, end};
  }
  return std::nullopt;
}

std::optional<size_t> IniDocument::FindKey(const Span& span, std::string_view key) const {
  for (size_t i = span.begin + 1; i < span.end; ++i) {
    const auto name = KeyName(Text(i));
    if (name && EqualsNoCase(*name, key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key,
                                              size_t limit) const {
  const auto span = FindSection(section);
  if (!span) return std::nullopt;
  const auto line = FindKey(*span, key);
  if (!line) return std::nullopt;
  const std::string_view text = Text(*line);
  auto value = TrimBlanks(text.substr(text.find('=') + 1));
  return std::string(value.substr(0, limit));
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::string line;
  line.reserve(key.size() + 2 + value.size());
  line.append(key).append("=").append(value);
  if (lineEnd_ == "\r\n") line.push_back('\r');

  const auto span = FindSection(section);
  if (!span) {
    lines_.push_back(Add("[" + std::string(section) + "]" + (lineEnd_ == "\r\n" ? "\r" : "")));
    lines_.push_back(Add(line));
    return;
  }
  if (const auto existing = FindKey(*span, key)) {
    // The replaced line keeps its own line end.
    if (lineEnd_ == "\r\n" && !EndsInCarriageReturn(Text(*existing))) line.pop_back();
    if (lineEnd_ != "\r\n" && EndsInCarriageReturn(Text(*existing))) line.push_back('\r');
    lines_[*existing] = Add(line);
    return;
  }
  // After the section's last non-empty line, so that a blank separator before the next section
  // stays where it was.
  size_t insertAt = span->end;
  while (insertAt > span->begin + 1 && TrimBlanks(Text(insertAt - 1)).empty())
    --insertAt;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), Add(line));
}

std::string IniDocument::Serialize() const {
  std::string out;
  size_t total = byteOrderMark_ ? kByteOrderMark.size() : 0;
  for (const Line& line : lines_)
    total += line.length + 1;
  out.reserve(total);
  if (byteOrderMark_) out.append(kByteOrderMark);
  for (size_t i = 0; i < lines_.size(); ++i)
    out.append(Text(i)).append("\n");
  return out;
}

std::optional<int32_t> ParseProfileInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  } else if (text.starts_with("$") || text.starts_with("x") || text.starts_with("X")) {
    base = 16;
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;

  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  for (char c : text) {
    const int digit = base == 16 ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (digit < 0) return std::nullopt;
    magnitude = magnitude * base + digit;
    if (magnitude > kLimit) return std::nullopt;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int32_t>(value);
}

}  // namespace tess
