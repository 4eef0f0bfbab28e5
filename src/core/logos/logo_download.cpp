#include "core/logos/logo_download.h"

#include "core/formatfile/file_io.h"
#include "core/formats/clear_formats.h"
#include "core/link/request_guard.h"
#include "core/link/stuck_watch.h"
#include "core/logos/logo_file.h"

namespace orvex::core {

namespace {

constexpr std::uint8_t kLogoCodes[3] = {0xF4, 0xF8, 0xFA};

Request LogoRequest(int slot) {
  return kLogoRequests[static_cast<std::size_t>(slot - 1)];
}

std::optional<std::string> ReadLogoFile(const std::string& path) {
  // Never waits on a FIFO or a device; an accepted logo's pixels lie well
  // within the bytes read.
  const auto head = ReadFileHead(path, kMaxLogoFileBytes);
  if (!head) return std::nullopt;
  return head->bytes;
}

std::uint32_t U32At(const std::string& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t k = 4; k-- > 0;)
    value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + k]);
  return value;
}

// Headers up to the colour depth and compression the logo test reads: no
// pixel data starts before them.
constexpr std::size_t kLeastPixelOffset = 14 + 40;

// Whether a set bit is a black dot: when colour 1 of the palette is the
// darker one. A palette that does not lie between the header and the pixels
// is not read, and colour 0 counts as black, as in the classic layout.
bool SetBitIsBlack(const std::string& bytes, std::size_t pixelOffset) {
  const std::uint64_t palette = 14 + static_cast<std::uint64_t>(U32At(bytes, 14));
  if (palette < kLeastPixelOffset || palette + 8 > pixelOffset) return false;
  auto luma = [&bytes](std::size_t entry) {
    // Blue, green, red, reserved.
    const auto channel = [&bytes, entry](std::size_t k) {
      return static_cast<int>(static_cast<std::uint8_t>(bytes[entry + k]));
    };
    return 114 * channel(0) + 587 * channel(1) + 299 * channel(2);
  };
  const auto first = static_cast<std::size_t>(palette);
  return luma(first + 4) < luma(first);
}

}  // namespace

void ChooseLogo(Session& session, int slot) {
  const auto chosen = session.io.panel.ChooseOpenFile("Bitmaps(*.bmp)|*.bmp");
  if (!chosen) return;
  LogoSlot& logo = session.setup.logos[slot - 1];
  logo.path = *chosen;
  const LogoCheck check = CheckLogoFile(logo.path);
  if (check.result == LogoCheckResult::Accepted) {
    logo.height = check.height;
    if (session.io.view.ShowLogo(slot)) return;
    // It passed the printer's test but cannot be shown: keep the slot empty.
    logo.path.clear();
    session.io.view.BlankLogo(slot);
    session.io.panel.ShowMessage("Can't display this bitmap ! Please try again!");
    return;
  }
  logo.path.clear();
  session.io.view.BlankLogo(slot);
  session.io.panel.ShowMessage(ChooseLogoMessage(check.result, slot));
}

void ChooseLogo1(Session& session) {
  ChooseLogo(session, 1);
}
void ChooseLogo2(Session& session) {
  ChooseLogo(session, 2);
}
void ChooseLogo3(Session& session) {
  ChooseLogo(session, 3);
}

void ClearLogo(Session& session, int slot) {
  if (!IdentifiedCheck(session)) return;
  session.setup.logos[slot - 1].path.clear();
  session.io.view.BlankLogo(slot);
}

void ClearLogo1(Session& session) {
  ClearLogo(session, 1);
}
void ClearLogo2(Session& session) {
  ClearLogo(session, 2);
}
void ClearLogo3(Session& session) {
  ClearLogo(session, 3);
}

void ClearMessageWindow(Session& session) {
  if (IdentifiedCheck(session)) session.io.memo.ClearLines();
}

void ClearAll(Session& session) {
  if (!IdentifiedCheck(session)) return;
  ClearMessageWindow(session);
  for (int slot = 1; slot <= 3; ++slot) ClearLogo(session, slot);
  ClearCoinFormat(session);
  ClearNoteFormat(session);
  ClearPayoutFormat(session);
}

std::optional<LogoPayload> ReadLogoPayload(const std::string& fileBytes) {
  const LogoCheck check = CheckLogoBytes(fileBytes);
  if (check.result != LogoCheckResult::Accepted) return std::nullopt;
  LogoPayload payload;
  payload.dataSize = static_cast<std::uint32_t>(kLogoRowBytes * check.height);
  // The pixels lie where the file says, and wholly within it.
  const std::uint64_t offset = U32At(fileBytes, 10);
  if (offset < kLeastPixelOffset || offset + payload.dataSize > fileBytes.size()) {
    return std::nullopt;
  }
  const auto start = static_cast<std::size_t>(offset);
  const bool topDown = IsTopDown(fileBytes);
  const std::uint8_t flip = SetBitIsBlack(fileBytes, start) ? 0x00 : 0xFF;
  const std::size_t rowCount = payload.dataSize / kLogoRowBytes;
  payload.rows.reserve(payload.dataSize);
  // The printer wants the top row first, a set bit for a black dot.
  for (std::size_t r = 0; r < rowCount; ++r) {
    const std::size_t stored = topDown ? r : rowCount - 1 - r;
    const std::size_t from = start + stored * kLogoRowBytes;
    for (std::size_t c = 0; c < kLogoRowBytes; ++c) {
      payload.rows.push_back(static_cast<std::uint8_t>(fileBytes[from + c]) ^ flip);
    }
  }
  return payload;
}

void DownloadLogo(Session& session, int slot) {
  if (!session.state.identified) return;
  if (session.state.linkState != LinkState::Online || session.state.busy) {
    BusyOrOfflineCheck(session);
    return;
  }
  session.state.cancelLogo = false;

  const std::string& path = session.setup.logos[slot - 1].path;
  const auto fileBytes = path.empty() ? std::nullopt : ReadLogoFile(path);
  // The file is tested again: it may have changed since it was chosen.
  const auto payload = fileBytes ? ReadLogoPayload(*fileBytes) : std::nullopt;
  if (!payload) {
    session.io.panel.ShowMessage("Open file error !");
    return;
  }

  ConnectionState& st = session.state;
  const Request request = LogoRequest(slot);
  auto pending = [&session, request] { return session.pending.Has(request); };
  st.busy = true;
  session.pending.Set(request);

  const std::uint32_t size = payload->dataSize;
  st.blockAck = false;
  const std::uint32_t rowCount = size / kLogoRowBytes;
  const std::string logoName = "logo " + std::to_string(slot);
  if (!session.Send(logoName + " header, " + std::to_string(rowCount) + " rows",
                    {GS, kLogoCodes[slot - 1], static_cast<std::uint8_t>(size % 256),
                     static_cast<std::uint8_t>((size / 256) % 256)},
                    LastPause::Yes)) {
    return;
  }
  session.StartReplyTimeout();

  // The header's acknowledgement; Cancel is not looked at here.
  session.io.events.WaitWhile([&st] { return !st.blockAck; });
  if (!pending()) return;  // the reply timeout ended the download

  st.blockAck = false;
  const std::uint32_t total = rowCount * kLogoRowBytes;
  const std::string ofRows = "/" + std::to_string(rowCount);
  for (std::uint32_t r = 1; r <= rowCount; ++r) {
    // Each row goes out on its own after the printer's acknowledgement.
    session.BeginRequest(logoName + " row " + std::to_string(r) + ofRows);
    for (std::uint32_t c = 0; c < kLogoRowBytes; ++c) {
      const std::uint32_t index = (r - 1) * kLogoRowBytes + c;
      session.io.panel.SetGauge(static_cast<int>(index * 100 / total + 1));
      if (!session.SendByte(payload->rows[index])) return;
      session.io.link.Pause(kBytePauseMs);
    }
    session.EndRequest();
    session.io.events.WaitWhile([&st] { return !st.blockAck && !st.cancelLogo; });
    if (!st.blockAck && st.cancelLogo) {
      session.SetTimer(TimerId::ReplyTimeout, false);
      session.io.panel.SetGauge(0);
      session.Append("Data transfer interrupt .");
      session.Append("Please reset printer and try again .");
      session.AppendEmpty();
      st.cancelLogo = false;
      st.busy = false;
      session.pending.Clear(request);
      LookForStuckStates(session);  // a request freed by a renewal may still wait
      return;
    }
    if (!pending()) return;  // timed out, or the printer ended it early
    st.blockAck = false;
  }
}

void DownloadLogo1(Session& session) {
  DownloadLogo(session, 1);
}
void DownloadLogo2(Session& session) {
  DownloadLogo(session, 2);
}
void DownloadLogo3(Session& session) {
  DownloadLogo(session, 3);
}

void OnLogoAccepted(Session& session, int slot) {
  session.SetTimer(TimerId::ReplyTimeout, false);
  session.state.blockAck = true;
  session.Append("Download logo" + std::to_string(slot) + " finished .");
  session.AppendEmpty();
  session.AppendEmpty();
  FinishRequest(session, LogoRequest(slot));
}

}  // namespace orvex::core
