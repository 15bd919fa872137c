#pragma once
#include <QString>
#include <string>

namespace tess::glyphgen {

// One PNG of all 750 pictures enlarged four times on mid-grey, grouped by list, set and symbol,
// with the transparent colours see-through; tinted as the saver tints them.
int WriteContactSheet(const QString& file, const QString& pictures, const std::string& tint);

}  // namespace tess::glyphgen
