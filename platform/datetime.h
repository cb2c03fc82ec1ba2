#pragma once
// Date-time values: days since 30 December 1899, midnight, with the time of day
// as the fraction.
#include <chrono>

using TDateTime = double;

// False when the fields are no calendar date or clock time.
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& time);

// The calendar fields of a moment on this computer's clock, or in UTC.
TDateTime LocalDateTime(std::chrono::system_clock::time_point moment);
TDateTime UtcDateTime(std::chrono::system_clock::time_point moment);
