#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The device the program runs on.
class Device {
public:
    // An identifier of this device for this application: derived from the
    // machine id (/etc/machine-id) with HMAC-SHA256 under the application's
    // own key, as systemd derives application-specific ids, in 32 hex
    // digits. The machine id itself never leaves the device. None when the
    // machine has no readable id.
    static std::optional<std::string> uniqueIdentifier();

    // The same from the text of a machine id file (32 hex digits and a line
    // break); none when the text is not a machine id.
    static std::optional<std::string> uniqueIdentifierFromMachineId(std::string_view machineIdText);
};

} // namespace platform
