#include "app/logo_picture.h"

#include <cstring>

#include "core/formatfile/file_io.h"
#include "core/logos/logo_download.h"
#include "core/logos/logo_file.h"

namespace orvex::app {

std::optional<QImage> logoPicture(const std::string& path) {
  const auto head = core::ReadFileHead(path, core::kMaxLogoFileBytes);
  if (!head) return std::nullopt;
  const auto payload = core::ReadLogoPayload(head->bytes);
  if (!payload) return std::nullopt;
  if (payload->rows.empty()) return QImage();  // a logo of height 0
  const int height = static_cast<int>(payload->rows.size() / core::kLogoRowBytes);
  QImage image(core::kLogoWidth, height, QImage::Format_Mono);
  image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (int y = 0; y < height; ++y) {
    std::memcpy(image.scanLine(y),
                payload->rows.data() + static_cast<std::size_t>(y) * core::kLogoRowBytes,
                core::kLogoRowBytes);
  }
  return image;
}

}  // namespace orvex::app
