// Wall-clock access for the core. The core reads local date and time only
// through Clock, so tests can set the time by hand.
#ifndef TALLYHALL_SHELL_CLOCK_H_
#define TALLYHALL_SHELL_CLOCK_H_

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
};

// The system's local time.
class SystemClock : public Clock {
 public:
  LocalTime Now() const override;
};

}  // namespace tallyhall

#endif  // TALLYHALL_SHELL_CLOCK_H_
