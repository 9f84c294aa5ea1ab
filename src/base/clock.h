// Clock access for the core: the local date and time for log lines and
// records, and a steady count for waits. The core reads both only through
// Clock, so tests can set the time by hand.
#ifndef TALLYHALL_BASE_CLOCK_H_
#define TALLYHALL_BASE_CLOCK_H_

#include <cstdint>
#include <string>

namespace tallyhall {

// A local date and time of day, as the operator's clock shows it.
struct LocalTime {
  int year = 2000;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;

  // Seconds since midnight, 0..86399.
  int SecondsOfDay() const { return hour * 3600 + minute * 60 + second; }
};

// "YYYY-MM-DD" and "HH:MM:SS", the date and time texts of log lines.
std::string DateStamp(const LocalTime& t);
std::string TimeStamp(const LocalTime& t);
// "HH:MM:SS" of a time of day given in seconds since midnight.
std::string TimeOfDayText(int seconds_of_day);

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
  // Milliseconds from an arbitrary start; never goes back, whatever the
  // wall clock does.
  virtual std::int64_t SteadyMilliseconds() const = 0;
};

// The system's local time and its steady clock.
class SystemClock : public Clock {
 public:
  LocalTime Now() const override;
  std::int64_t SteadyMilliseconds() const override;

 private:
  // The last second converted to local time, so that the many readings of
  // one second convert it once.
  mutable std::int64_t converted_second_ = -1;
  mutable LocalTime converted_;
};

}  // namespace tallyhall

#endif  // TALLYHALL_BASE_CLOCK_H_
