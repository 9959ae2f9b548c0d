#pragma once

namespace platform {

// The system's short sounds and the vibration.
class SystemSound {
public:
    // The sound that makes the device vibrate.
    static constexpr unsigned kVibrate = 4095;

    // Plays a system sound without waiting. The vibration goes to the
    // feedback service of Linux phones (org.sigxcpu.Feedback on the session
    // bus); where there is none, a log line says so instead.
    static void play(unsigned soundId);
};

} // namespace platform
