#pragma once

#include "PositionSource.h"
#include "ReplayFix.h"
#include "Timer.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Replays the fixes recorded in a file, one at a time on the Clock, each
// stamped with the time it is delivered. The file is read when the source
// first starts; one that cannot be read or understood makes every start
// fail (on the next turn of the clock) with the file and the reason.
// Stopping pauses the replay; starting again goes on with the next fix.
// After the last fix the source stays quiet.
class ReplayPositionSource final : public PositionSource {
public:
    // Turns a file's bytes into fixes, or nothing with the reason in `error`.
    using Reader
        = std::function<std::optional<std::vector<ReplayFix>>(std::string_view bytes, std::string* error)>;

    // `kind` names the file in messages ("GPX track"); every delay is
    // divided by `speed` (> 0).
    ReplayPositionSource(std::string kind, std::string path, double speed, Reader reader);

    void start() override;
    void stop() override;
    // False once the file has failed.
    bool isAvailable() const override;
    // "<kind> <path>".
    std::string description() const override;

    // Files larger than this are refused (a track is a few megabytes).
    static constexpr std::size_t kMaximumFileSize = 64 * 1024 * 1024;

private:
    void load();
    void scheduleNextFix();
    void deliverNextFix();

    std::string kind_;
    std::string path_;
    double speed_;
    Reader reader_;
    bool loaded_ = false;
    std::vector<ReplayFix> fixes_;
    // Why the file could not be replayed; empty while it can.
    std::string failure_;
    std::size_t next_ = 0;
    bool started_ = false;
    // The next fix, or the failure report.
    Timer timer_;
};

} // namespace platform
