#pragma once
// Date-time values: days since 30 December 1899, midnight, with the time of day
// as the fraction.
#include <chrono>
#include <string>

using TDateTime = double;

// False when the fields are no calendar date or clock time.
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& time);

// The calendar fields of a moment on this computer's clock, or in UTC.
TDateTime LocalDateTime(std::chrono::system_clock::time_point moment);
TDateTime UtcDateTime(std::chrono::system_clock::time_point moment);

// A date-time value as text by a format pattern: d, dd, ddd, dddd (day, two
// digits, short and long weekday name), m, mm, mmm, mmmm (month, two digits,
// short and long month name; m and mm right after an hour mean the minutes),
// yy, yyyy, h, hh, n, nn, s, ss (24-hour clock). Text in double or single
// quotes and every other character are copied as they stand. The names are
// the user's locale's.
std::string FormatDateTime(const std::string& format, TDateTime value);
