#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace meldrix {

//! SOURCE_DATE_EPOCH when it is set to a whole number of seconds since 1970 [s]: the time every
//! dated output then carries, so that two runs give the same bytes.
std::optional<std::int64_t> SourceDateEpoch();

//! `seconds` since 1970 in ISO 8601 with its offset from UTC: "2027-01-15T09:00:00+01:00" in
//! local time, "2027-01-15T08:00:00+00:00" in UTC.
std::string IsoDateTime(std::int64_t seconds, bool utc);

//! The date and time a report or a picture carries: SOURCE_DATE_EPOCH in UTC when that is set,
//! now in local time otherwise, as IsoDateTime writes them.
std::string ReportDateTime();

} // namespace meldrix
