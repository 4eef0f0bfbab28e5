#pragma once
// A logo as the printer will print it, for the image boxes and the preview.

#include <QImage>
#include <optional>
#include <string>

namespace orvex::app {

// The bitmap file's rows as the logo download sends them, black on white: a
// null image for a logo of no rows, nullopt when the file is no logo the
// download would send. Never waits on a FIFO or a device.
std::optional<QImage> logoPicture(const std::string& path);

}  // namespace orvex::app
