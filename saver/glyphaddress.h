#pragma once
// Where a glyph picture lives: an image list (1 normal turning glyphs, 2 the same brighter for
// chain heads, 3 a brightness ramp of every shape) and an item index in it. The scenes compute
// addresses and the glyph lists are filled in this order, so the layout is written once, here,
// without Qt.
#include <cstdint>

namespace tess {

inline constexpr int kTurnedSymbols = 10;  // lists 1 and 2
inline constexpr int kAllSymbols = 15;     // list 3
inline constexpr int kTurnSets = 3;        // about the vertical, the horizontal, the picture's axis
inline constexpr int kFramesPerSet = 10;
inline constexpr int kTurnedItems = kTurnedSymbols * kTurnSets * kFramesPerSet;  // 300
inline constexpr int kRampItems = kAllSymbols * kFramesPerSet;                   // 150

inline constexpr uint16_t kNormalList = 1;
inline constexpr uint16_t kBrightList = 2;
inline constexpr uint16_t kRampList = 3;

// The symbol group a symbol of lists 1 and 2 stands for: 1 to 9, and 15 for symbol 10.
constexpr int TurnedSymbolGroup(int symbol) {
  return symbol == kTurnedSymbols ? 15 : symbol;
}

// Item indices: lists 1 and 2 by symbol, set and frame; list 3 by symbol and frame (all from 1).
// Scenes pass whatever their state gives; an index outside the list draws nothing.
constexpr int64_t TurnedIndex(int64_t symbol, int64_t set, int64_t frame) {
  return (symbol - 1) * kTurnSets * kFramesPerSet + (set - 1) * kFramesPerSet + (frame - 1);
}
constexpr int64_t RampIndex(int64_t symbol, int64_t frame) {
  return (symbol - 1) * kFramesPerSet + (frame - 1);
}

}  // namespace tess
