// Local and steady time from the system, and the fixed date and time texts.
#include "base/clock.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace tallyhall {

std::string DateStamp(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
  return text;
}

std::string TimeStamp(const LocalTime& t) {
  return TimeOfDayText(t.SecondsOfDay());
}

std::string TimeOfDayText(int seconds_of_day) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds_of_day / 3600,
                seconds_of_day / 60 % 60, seconds_of_day % 60);
  return text;
}

LocalTime SystemClock::Now() const {
  std::time_t now = std::time(nullptr);
  if (now == converted_second_) return converted_;
  std::tm parts{};
  localtime_r(&now, &parts);
  converted_second_ = now;
  converted_ = LocalTime{.year = parts.tm_year + 1900,
                         .month = parts.tm_mon + 1,
                         .day = parts.tm_mday,
                         .hour = parts.tm_hour,
                         .minute = parts.tm_min,
                         .second = parts.tm_sec};
  return converted_;
}

std::int64_t SystemClock::SteadyMilliseconds() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace tallyhall
