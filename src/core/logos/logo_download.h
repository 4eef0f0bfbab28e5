#pragma once
// The three logo slots and the printer-paced logo download.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/session.h"

namespace orvex::core {

// Choosing a bitmap for slot 1..3 (a click on the slot's image box).
void ChooseLogo(Session& session, int slot);
void ChooseLogo1(Session& session);
void ChooseLogo2(Session& session);
void ChooseLogo3(Session& session);

// "Clear" > "Logo n" and "Clear" > "All".
void ClearLogo(Session& session, int slot);
void ClearLogo1(Session& session);
void ClearLogo2(Session& session);
void ClearLogo3(Session& session);
void ClearMessageWindow(Session& session);
void ClearAll(Session& session);

// What goes on the wire after the 4-byte header: the rows from the top of
// the image down, a set bit for a black dot (the darker of the two palette
// colours), taken from the file's data offset. nullopt when the file is not
// an acceptable logo any more or its pixels do not lie within it. The window
// and the preview show these same rows.
struct LogoPayload {
  std::uint32_t dataSize = 0;
  std::vector<std::uint8_t> rows;  // dataSize / 48 rows of 48 bytes
};
std::optional<LogoPayload> ReadLogoPayload(const std::string& fileBytes);

void DownloadLogo1(Session& session);
void DownloadLogo2(Session& session);
void DownloadLogo3(Session& session);
void DownloadLogo(Session& session, int slot);

// Dispatcher sections 14 to 16, when the read begins with 0xAB.
void OnLogoAccepted(Session& session, int slot);

}  // namespace orvex::core
