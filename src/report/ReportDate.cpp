#include "report/ReportDate.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace meldrix {

std::optional<std::int64_t> SourceDateEpoch()
{
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (!epoch || *epoch == '\0')
        return std::nullopt;
    char* end = nullptr;
    const long long seconds = std::strtoll(epoch, &end, 10);
    if (*end != '\0')
        return std::nullopt;
    return seconds;
}

std::string IsoDateTime(std::int64_t seconds, bool utc)
{
    const auto time = static_cast<std::time_t>(seconds);
    std::tm parts {};
    if (utc)
        gmtime_r(&time, &parts);
    else
        localtime_r(&time, &parts);
    std::array<char, 32> text {};
    std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%S", &parts);
    const long offset = utc ? 0 : parts.tm_gmtoff / 60; // [min]
    const long minutes = offset < 0 ? -offset : offset;
    std::array<char, 8> zone {};
    std::snprintf(zone.data(), zone.size(), "%c%02ld:%02ld", offset < 0 ? '-' : '+',
        minutes / 60 % 100, minutes % 60);
    return std::string(text.data()) + zone.data();
}

std::string ReportDateTime()
{
    if (const auto epoch = SourceDateEpoch())
        return IsoDateTime(*epoch, true);
    return IsoDateTime(static_cast<std::int64_t>(std::time(nullptr)), false);
}

} // namespace meldrix
