#include "platform/datetime.h"

#include <QDate>
#include <QLocale>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date.
long DaysFromCivil(long year, unsigned month, unsigned day) {
  year -= month <= 2;
  const long era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(year - era * 400);
  const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

constexpr long kDaysFrom1899To1970 = 25569;

TDateTime FromCalendar(const std::tm& fields, long milliseconds) {
  TDateTime date = 0, time = 0;
  TryEncodeDate(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, date);
  TryEncodeTime(fields.tm_hour, fields.tm_min, fields.tm_sec > 59 ? 59 : fields.tm_sec,
                static_cast<int>(milliseconds), time);
  return date + time;
}

long Milliseconds(std::chrono::system_clock::time_point moment) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(moment.time_since_epoch()).count() % 1000;
  return ms < 0 ? ms + 1000 : ms;
}

std::time_t Seconds(std::chrono::system_clock::time_point moment) {
  using namespace std::chrono;
  return static_cast<std::time_t>(floor<seconds>(moment.time_since_epoch()).count());
}

constexpr long long kMsPerDay = 86400000;

struct TDateTimeFields {
  QDate Date;
  int Hour, Minute, Second;
};

// Rounded to the millisecond first, so that a value a hair below a full
// minute shows that minute.
TDateTimeFields Decode(TDateTime value) {
  const long long total = std::llround(value * static_cast<double>(kMsPerDay));
  long long days = total / kMsPerDay, ms = total % kMsPerDay;
  if (ms < 0) {
    ms += kMsPerDay;
    --days;
  }
  const int msOfDay = static_cast<int>(ms);
  return {QDate(1899, 12, 30).addDays(days), msOfDay / 3600000, msOfDay / 60000 % 60, msOfDay / 1000 % 60};
}

std::string Number(int value, std::size_t run) {
  std::string digits = std::to_string(value);
  if (run >= 2 && digits.size() < 2) digits.insert(0, 1, '0');
  return digits;
}

std::string Name(const QString& name) { return name.toStdString(); }

// One run of the same pattern letter; false for a letter that is no specifier.
bool AppendSpecifier(char token, std::size_t run, const TDateTimeFields& fields, std::string& out) {
  const QLocale locale;
  const QDate& date = fields.Date;
  switch (token) {
    case 'D':
      out += run == 3 ? Name(locale.dayName(date.dayOfWeek(), QLocale::ShortFormat))
             : run >= 4 ? Name(locale.dayName(date.dayOfWeek(), QLocale::LongFormat))
                        : Number(date.day(), run);
      return true;
    case 'M':
      out += run == 3 ? Name(locale.monthName(date.month(), QLocale::ShortFormat))
             : run >= 4 ? Name(locale.monthName(date.month(), QLocale::LongFormat))
                        : Number(date.month(), run);
      return true;
    case 'Y': out += run <= 2 ? Number(date.year() % 100, 2) : std::to_string(date.year()); return true;
    case 'H': out += Number(fields.Hour, run); return true;
    case 'N': out += Number(fields.Minute, run); return true;
    case 'S': out += Number(fields.Second, run); return true;
    default: return false;
  }
}

}  // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return false;
  const long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  date = static_cast<TDateTime>(days + kDaysFrom1899To1970);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& time) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999)
    return false;
  time = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / 86400000.0;
  return true;
}

TDateTime LocalDateTime(std::chrono::system_clock::time_point moment) {
  std::time_t seconds = Seconds(moment);
  std::tm fields{};
  localtime_r(&seconds, &fields);
  return FromCalendar(fields, Milliseconds(moment));
}

TDateTime UtcDateTime(std::chrono::system_clock::time_point moment) {
  std::time_t seconds = Seconds(moment);
  std::tm fields{};
  gmtime_r(&seconds, &fields);
  return FromCalendar(fields, Milliseconds(moment));
}

std::string FormatDateTime(const std::string& format, TDateTime value) {
  const TDateTimeFields fields = Decode(value);
  std::string out;
  char lastToken = 0;
  for (std::size_t i = 0; i < format.size();) {
    const char c = format[i];
    if (c == '"' || c == '\'') {
      const std::size_t end = std::min(format.find(c, i + 1), format.size());
      out.append(format, i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    char token = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::size_t run = 1;
    while (i + run < format.size() && std::toupper(static_cast<unsigned char>(format[i + run])) == token) ++run;
    if (token == 'M' && lastToken == 'H' && run <= 2) token = 'N';
    if (AppendSpecifier(token, run, fields, out)) {
      lastToken = token;
    } else {
      out.append(format, i, run);
    }
    i += run;
  }
  return out;
}
