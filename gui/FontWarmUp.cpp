#include "gui/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

namespace gui {

// The configuration is process-wide in fontconfig; Qt's font database finds
// it loaded and goes on from there.
FontWarmUp::FontWarmUp() : thread_([] { FcInit(); }) {}

FontWarmUp::~FontWarmUp() {
    Join();
}

void FontWarmUp::Join() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace gui
