#pragma once
// Which renderer composes the frames: TESSARINE_RENDERER=auto (the default) takes the graphics
// device when it is a real one (not a rasteriser on the processor) and passes the self-check;
// gl takes it whenever a context can be made, even on a software rasteriser; software never
// does. The choice and its reason are said once on standard error.
#include <string>

namespace tess {

enum class TRendererMode { kAuto, kGl, kSoftware };

// From TESSARINE_RENDERER; an unknown value is said once and taken as auto.
TRendererMode RendererModeFromEnvironment();

// What a device would be refused for under `mode`: a reason, or empty when it may be used.
std::string RefuseDevice(TRendererMode mode, const std::string& renderer, bool software);

// "gl (<GL_RENDERER>)" or "software (<why>)"; said on standard error when it changes.
std::string DescribeGl(const std::string& renderer);
std::string DescribeSoftware(const std::string& why);
void AnnounceRenderer(const std::string& description);

}  // namespace tess
