#pragma once
// The glyph pictures: list 1 (normal turning glyphs), list 2 (the same, brighter, for chain
// heads) and list 3 (a brightness ramp of every shape), loaded from the program's resources; the
// one-time recolouring to red or blue; and how a picture is addressed.
#include <QImage>
#include <QString>

#include "core/colour.h"
#include "saver/glyphaddress.h"

namespace tess {

class TDXImageList;

// List 2's background, which is its transparent colour, and the same after each tint.
inline constexpr ColourInt kBrightKey = MakeColour(4, 2, 4);      // 262660
inline constexpr ColourInt kBrightKeyRed = MakeColour(2, 4, 4);   // 263170
inline constexpr ColourInt kBrightKeyBlue = MakeColour(4, 4, 2);  // 132100

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
