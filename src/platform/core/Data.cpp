#include "Data.h"

#include <algorithm>

namespace platform {

Data::Data(std::vector<std::uint8_t>&& bytes)
{
    if (bytes.empty())
        return;
    auto owner = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
    bytes_ = *owner;
    owner_ = std::move(owner);
}

Data::Data(std::span<const std::uint8_t> bytes)
    : Data(std::vector<std::uint8_t>(bytes.begin(), bytes.end()))
{ }

Data Data::fromString(std::string_view text)
{
    const auto* first = reinterpret_cast<const std::uint8_t*>(text.data());
    return Data(std::span<const std::uint8_t>(first, text.size()));
}

Data::Data(std::shared_ptr<const void> owner, std::span<const std::uint8_t> bytes)
    : owner_(bytes.empty() ? nullptr : std::move(owner))
    , bytes_(bytes.empty() ? std::span<const std::uint8_t>() : bytes)
{ }

Data Data::subdata(std::size_t offset, std::size_t length) const
{
    offset = std::min(offset, bytes_.size());
    length = std::min(length, bytes_.size() - offset);
    return Data(owner_, bytes_.subspan(offset, length));
}

bool operator==(const Data& a, const Data& b)
{
    return std::ranges::equal(a.bytes_, b.bytes_);
}

} // namespace platform
