#pragma once
// "Download" > "All Formats": the ten downloads of a printer's setup in one
// batch, each answered before the next starts.

#include "session.h"

namespace orvex {

void DownloadAll(Session& session);

}  // namespace orvex
