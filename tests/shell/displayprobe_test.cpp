#include "shell/displayprobe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace tess {
namespace {

// Wire-format messages as a compositor sends them.
void PutWord(std::vector<uint8_t>& bytes, uint32_t word) {
  const auto* raw = reinterpret_cast<const uint8_t*>(&word);
  bytes.insert(bytes.end(), raw, raw + sizeof word);
}

std::vector<uint8_t> Global(const std::string& interface, uint32_t declaredLength = 0) {
  std::vector<uint8_t> arguments;
  PutWord(arguments, 7);  // name
  PutWord(arguments,
          declaredLength != 0 ? declaredLength : static_cast<uint32_t>(interface.size() + 1));
  arguments.insert(arguments.end(), interface.begin(), interface.end());
  do
    arguments.push_back(0);
  while (arguments.size() % 4 != 0);
  PutWord(arguments, 4);  // version
  std::vector<uint8_t> message;
  PutWord(message, TWaylandGlobalsReader::kRegistry);
  PutWord(message, static_cast<uint32_t>((arguments.size() + 8) << 16));
  message.insert(message.end(), arguments.begin(), arguments.end());
  return message;
}

std::vector<uint8_t> Done() {
  std::vector<uint8_t> message;
  PutWord(message, TWaylandGlobalsReader::kCallback);
  PutWord(message, 12u << 16);
  PutWord(message, 1);
  return message;
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(WaylandGlobalsReader, ReadsTheGlobalsUpToTheCallbackAndNothingThatDoesNotParse) {
  std::vector<uint8_t> badSize = Global("wl_seat");
  badSize[6] = 6;  // a size below the header's own
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    size_t chunk;  // bytes per read, to split messages anywhere
    bool done;
    std::vector<std::string> interfaces;
  } cases[] = {
      {"whole",
       Join({Global("wl_compositor"), Global("zwlr_layer_shell_v1"), Done()}),
       4096,
       true,
       {"wl_compositor", "zwlr_layer_shell_v1"}},
      {"a byte at a time", Join({Global("wl_shm"), Done(), Global("after")}), 1, true, {"wl_shm"}},
      {"no callback yet", Global("wl_output"), 5, false, {"wl_output"}},
      {"string longer than its message", Join({Global("wl_seat", 200), Done()}), 4096, false, {}},
      {"size below the header", Join({badSize, Done()}), 4096, false, {}},
  };
  for (const auto& c : cases) {
    TWaylandGlobalsReader reader;
    for (size_t at = 0; at < c.bytes.size(); at += c.chunk)
      if (!reader.Feed(c.bytes.data() + at, std::min(c.chunk, c.bytes.size() - at))) break;
    EXPECT_EQ(reader.Done(), c.done) << c.what;
    EXPECT_EQ(reader.Interfaces(), c.interfaces) << c.what;
  }
}

}  // namespace
}  // namespace tess
