#pragma once
// W and H from the GUI layer: the primary screen's size in device pixels.

namespace tess {

void UsePrimaryScreenSize();

}  // namespace tess
