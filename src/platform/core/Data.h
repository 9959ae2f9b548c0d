#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// An immutable byte buffer. Copies share the bytes, so passing a Data around
// (downloads, database rows, notifications) never copies them. The bytes
// stay valid as long as any copy lives.
class Data {
public:
    // No bytes.
    Data() = default;
    // Takes the vector's bytes without copying them.
    explicit Data(std::vector<std::uint8_t>&& bytes);
    // Copies the bytes.
    explicit Data(std::span<const std::uint8_t> bytes);
    static Data fromString(std::string_view text);
    // Shares bytes that `owner` keeps alive (a Qt byte array, a decoded
    // blob...): no copy. The span must lie inside what the owner holds.
    Data(std::shared_ptr<const void> owner, std::span<const std::uint8_t> bytes);

    const std::uint8_t* data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    std::span<const std::uint8_t> bytes() const { return bytes_; }
    std::string_view view() const { return { reinterpret_cast<const char*>(bytes_.data()), bytes_.size() }; }

    // A part of these bytes, sharing them; clamped to the buffer.
    Data subdata(std::size_t offset, std::size_t length) const;

    // Whether both hold the same bytes (not the same buffer).
    friend bool operator==(const Data& a, const Data& b);

private:
    std::shared_ptr<const void> owner_;
    std::span<const std::uint8_t> bytes_;
};

} // namespace platform
