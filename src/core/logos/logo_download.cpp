#include "logos/logo_download.h"

#include <fstream>
#include <iterator>

#include "formats/ticket_editor.h"
#include "link/request_guard.h"
#include "link/stuck_watch.h"
#include "logos/logo_file.h"

namespace orvex {

namespace {

constexpr std::uint8_t kLogoCodes[3] = {0xF4, 0xF8, 0xFA};

bool& LogoFlag(PendingRequest& p, int slot) {
  if (slot == 1) return p.awaitLogo1;
  if (slot == 2) return p.awaitLogo2;
  return p.awaitLogo3;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  // An accepted logo file needs no more than header and pixels; a larger
  // file is read only that far.
  constexpr std::size_t kEnough = kLogoPixelOffset + kMaxLogoBytes;
  std::string bytes(kEnough, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(kEnough));
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  return bytes;
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
  if (fileBytes.size() < kLogoPixelOffset + payload.dataSize) return std::nullopt;
  const std::size_t rowCount = payload.dataSize / kLogoRowBytes;
  payload.rows.reserve(payload.dataSize);
  // The file stores the bottom row first; the printer wants the top row first.
  for (std::size_t r = rowCount; r-- > 0;) {
    const std::size_t start = kLogoPixelOffset + r * kLogoRowBytes;
    for (std::size_t c = 0; c < kLogoRowBytes; ++c) {
      payload.rows.push_back(
          static_cast<std::uint8_t>(~static_cast<std::uint8_t>(fileBytes[start + c])));
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
  const auto fileBytes = path.empty() ? std::nullopt : ReadWholeFile(path);
  // The file is tested again: it may have changed since it was chosen.
  const auto payload = fileBytes ? ReadLogoPayload(*fileBytes) : std::nullopt;
  if (!payload) {
    session.io.panel.ShowMessage("Open file error !");
    return;
  }

  ConnectionState& st = session.state;
  bool& pending = LogoFlag(session.pending, slot);
  st.busy = true;
  pending = true;

  const std::uint32_t size = payload->dataSize;
  st.blockAck = false;
  const std::uint32_t rowCount = size / kLogoRowBytes;
  const std::string logoName = "logo " + std::to_string(slot);
  session.Send(logoName + " header, " + std::to_string(rowCount) + " rows",
               {GS, kLogoCodes[slot - 1], static_cast<std::uint8_t>(size % 256),
                static_cast<std::uint8_t>((size / 256) % 256)},
               LastPause::Yes);
  session.StartReplyTimeout();

  // The header's acknowledgement; Cancel is not looked at here.
  session.io.events.WaitWhile([&st] { return !st.blockAck; });
  if (!pending) return;  // the reply timeout ended the download

  st.blockAck = false;
  const std::uint32_t total = rowCount * kLogoRowBytes;
  const std::string ofRows = "/" + std::to_string(rowCount);
  for (std::uint32_t r = 1; r <= rowCount; ++r) {
    session.BeginRequest(logoName + " row " + std::to_string(r) + ofRows);
    for (std::uint32_t c = 0; c < kLogoRowBytes; ++c) {
      const std::uint32_t index = (r - 1) * kLogoRowBytes + c;
      session.io.panel.SetGauge(static_cast<int>(index * 100 / total + 1));
      session.io.link.SendByte(payload->rows[index]);
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
      pending = false;
      LookForStuckStates(session);  // a request freed by a renewal may still wait
      return;
    }
    if (!pending) return;  // timed out, or the printer ended it early
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
  FinishRequest(session, LogoFlag(session.pending, slot));
}

}  // namespace orvex
