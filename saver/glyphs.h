#pragma once
// The glyph pictures: list 1 (normal turning glyphs), list 2 (the same, brighter, for chain
// heads) and list 3 (a brightness ramp of every shape), loaded from the program's resources; the
// one-time recolouring to red or blue; and how a picture is addressed.
#include <QImage>
#include <QString>

#include "core/colour.h"

namespace tess {

class TDXImageList;

inline constexpr int kTurnedSymbols = 10;  // lists 1 and 2
inline constexpr int kAllSymbols = 15;     // list 3
inline constexpr int kTurnSets = 3;
inline constexpr int kFramesPerSet = 10;
inline constexpr int kTurnedItems = kTurnedSymbols * kTurnSets * kFramesPerSet;  // 300
inline constexpr int kRampItems = kAllSymbols * kFramesPerSet;                   // 150

// List 2's background, which is its transparent colour, and the same after each tint.
inline constexpr ColourInt kBrightKey = MakeColour(4, 2, 4);      // 262660
inline constexpr ColourInt kBrightKeyRed = MakeColour(2, 4, 4);   // 263170
inline constexpr ColourInt kBrightKeyBlue = MakeColour(4, 4, 2);  // 132100

// The symbol group a symbol of lists 1 and 2 stands for: 1 to 9, and 15 for symbol 10.
constexpr int TurnedSymbolGroup(int symbol) {
  return symbol == kTurnedSymbols ? 15 : symbol;
}

// Item indices: lists 1 and 2 by symbol, set and frame; list 3 by symbol and frame (from 1).
constexpr int TurnedIndex(int symbol, int set, int frame) {
  return (symbol - 1) * 30 + (set - 1) * 10 + (frame - 1);
}
constexpr int RampIndex(int symbol, int frame) {
  return (symbol - 1) * 10 + (frame - 1);
}

// A picture's file name: "s" + group + "_" + set + "_" + frame + ".bmp", e.g. s01_1_01.bmp.
QString GlyphFileName(int group, int set, int frame);

// Fills the three lists with their pictures, names and stored properties, in item order.
// Raises std::runtime_error when a picture is missing from the resources.
void LoadGlyphLists(TDXImageList& list1, TDXImageList& list2, TDXImageList& list3);

// New bitmaps with red and green, or green and blue, swapped; the source stays as it is.
QImage GreenToRed(const QImage& picture);
QImage GreenToBlue(const QImage& picture);

// Recolours every glyph picture once for the symbol colour (1 red, 3 blue; 2 leaves them green),
// with list 2's transparent colour swapped alike so that its background still matches the key.
void TintGlyphs(int simColor, TDXImageList& list1, TDXImageList& list2, TDXImageList& list3);

}  // namespace tess
