#include "FMValue.h"

#include <fmt/format.h>

namespace fmdb {

namespace {

std::string describeBytes(const FMBytes& bytes)
{
    std::string text = "<";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && i % 4 == 0)
            text += ' ';
        text += fmt::format("{:02x}", bytes[i]);
    }
    text += '>';
    return text;
}

std::string describeDate(FMDate date)
{
    using namespace std::chrono;
    const sys_seconds seconds = floor<std::chrono::seconds>(date);
    const sys_days day = floor<days>(seconds);
    const year_month_day calendar(day);
    const hh_mm_ss time(seconds - day);
    return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02} +0000", static_cast<int>(calendar.year()),
        static_cast<unsigned>(calendar.month()), static_cast<unsigned>(calendar.day()), time.hours().count(),
        time.minutes().count(), time.seconds().count());
}

} // namespace

FMValue::FMValue(const char* text)
{
    if (text)
        value_ = std::string(text);
}

std::string FMValue::description() const
{
    switch (kind()) {
    case Kind::Null:
        return "<null>";
    case Kind::Text:
        return text();
    case Kind::Data:
        return describeBytes(data());
    case Kind::Date:
        return describeDate(date());
    case Kind::Bool:
        return boolValue() ? "1" : "0";
    case Kind::Int32:
        return fmt::format("{}", int32Value());
    case Kind::Float:
        return fmt::format("{:.7g}", floatValue());
    case Kind::Double:
        return fmt::format("{:.16g}", doubleValue());
    case Kind::Int64:
        return fmt::format("{}", int64Value());
    case Kind::UInt64:
        return fmt::format("{}", uint64Value());
    }
    return {};
}

} // namespace fmdb
