#pragma once

#include "Data.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace platform {

// The largest body fetchURLContents accepts: 8 MiB.
inline constexpr std::size_t kMaximumFetchedBytes = std::size_t { 8 } << 20;

// Reads the contents of an http or https URL, blocking the calling thread:
// the body of a 2xx answer (redirects followed, never from https to http),
// or none, with one log line naming the URL and the reason, for anything
// else: an invalid URL, a network error, another status, a body beyond
// kMaximumFetchedBytes, or no complete answer within `timeoutSeconds` in
// all (real time, clamped to 1 ms … 1 hour).
//
// The request runs on a private thread with its own event loop, so nothing
// of the caller's thread runs meanwhile: no timer, touch or network callback
// of the main thread's loop can happen inside the call. A worker that does
// not stop by the time-out is left to finish on its own; its result is
// dropped. Needs the Qt application object; sends our User-Agent.
std::optional<Data> fetchURLContents(std::string_view url, double timeoutSeconds = 5);

} // namespace platform
