#include "app/logo_picture.h"

#include <cstring>

#include "core/formatfile/file_io.h"
#include "core/logos/logo_download.h"
#include "core/logos/logo_file.h"

std::optional<QImage> logoPicture(const std::string& path) {
  const auto head = orvex::ReadFileHead(path, orvex::kMaxLogoFileBytes);
  if (!head) return std::nullopt;
  const auto payload = orvex::ReadLogoPayload(head->bytes);
  if (!payload) return std::nullopt;
  if (payload->rows.empty()) return QImage();  // a logo of height 0
  const int height = static_cast<int>(payload->rows.size() / orvex::kLogoRowBytes);
  QImage image(orvex::kLogoWidth, height, QImage::Format_Mono);
  image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (int y = 0; y < height; ++y) {
    std::memcpy(image.scanLine(y),
                payload->rows.data() + static_cast<std::size_t>(y) * orvex::kLogoRowBytes,
                orvex::kLogoRowBytes);
  }
  return image;
}
