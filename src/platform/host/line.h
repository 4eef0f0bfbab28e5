#pragma once
// The line a session talks over: a serial port on this PC, or a printer's
// serial line behind a device server. One thread reads (ReadBurst), one
// writes (WriteByte); Wake may be called from any thread at any time.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/link/connection_state.h"

namespace orvex::platform {

class Line {
 public:
  virtual ~Line() = default;

  // A request begins: the bytes written until the next BeginRequest share
  // one write deadline, however many they are.
  virtual void BeginRequest() = 0;

  enum class WriteStatus { Written, Stalled, Gone };
  // Blocking single-byte write. Stalled: the line did not take the byte
  // before the request's deadline. Gone: the line went away (or is closed);
  // the byte is lost.
  virtual WriteStatus WriteByte(std::uint8_t byte) = 0;

  enum class ReadStatus { Data, Woken, HungUp, TimedOut };
  // Waits without spinning until bytes arrive, Wake() is called or the line
  // goes away, then reads one burst: it ends when no byte has come for
  // gapMs or when maxBytes are in. HungUp is returned once; later calls wait
  // on Wake() alone. waitMs bounds the wait for the first byte (negative:
  // none). See SerialPort::ReadBurst for the details every line keeps.
  virtual ReadStatus ReadBurst(std::vector<std::uint8_t>& out,
                               std::size_t maxBytes = core::kReadMaxBytes,
                               int gapMs = core::kReadGapMs, int waitMs = -1) = 0;
  // Makes a waiting ReadBurst return Woken; not lost when none waits.
  virtual void Wake() = 0;

  virtual bool IsOpen() const = 0;
  // Releases the line. Not while a ReadBurst runs: stop the reader first.
  virtual void Close() = 0;
};

}  // namespace orvex::platform
