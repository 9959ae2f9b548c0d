#pragma once

#include "ReplayFix.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Reads an NMEA 0183 log, one sentence a line, with Qt Positioning's NMEA
// parser. Sentences with the same UTC time make one epoch; each epoch with a
// fix (GGA or RMC) gives one fix, paced by the recorded times (1 s where a
// time does not increase; a day's wrap at midnight counts). The accuracy is
// the parser's estimate from HDOP with a user-equivalent range error of
// kUserEquivalentRangeError: 2 × HDOP × 5 m, a 95 % radius; negative where
// the epoch has no HDOP. Lines that are not sentences, or fail their
// checksum, are skipped. Returns nothing, with the reason in `error`, for a
// log without fixes.
std::optional<std::vector<ReplayFix>> readNmeaLog(std::string_view log, std::string* error);

} // namespace platform
