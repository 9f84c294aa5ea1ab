// Test doubles for the core's seams: a clock set by hand, a transport that
// records every datagram, a console view that keeps what it was shown, and a
// temporary folder removed at the end of a test.
#ifndef TALLYHALL_TESTS_SUPPORT_FAKES_H_
#define TALLYHALL_TESTS_SUPPORT_FAKES_H_

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/address.h"
#include "base/clock.h"
#include "base/terminal.h"
#include "context/transport.h"

namespace tallyhall {

class FakeClock : public Clock {
 public:
  LocalTime Now() const override { return now_; }
  std::int64_t SteadyMilliseconds() const override { return steady_ms_; }
  // Sets the wall time only; the steady count stays.
  void Set(LocalTime t) { now_ = t; }
  // Moves the time of day and the steady count on by `seconds` (the date
  // rolls over at midnight without calendar arithmetic beyond the day
  // number).
  void Advance(int seconds);

 private:
  LocalTime now_{.year = 2026, .month = 12, .day = 7, .hour = 12};
  std::int64_t steady_ms_ = 0;
};

struct SentDatagram {
  Address to;
  std::string bytes;
};

class FakeTransport : public Transport {
 public:
  void SendDatagram(const Address& to, std::string_view bytes) override {
    sent.push_back({to, std::string(bytes)});
    if (on_send) on_send(sent.back());
  }
  std::vector<SentDatagram> sent;
  // Called after each datagram is recorded, when set.
  std::function<void(const SentDatagram&)> on_send;
};

class RecordingView : public ConsoleView {
 public:
  explicit RecordingView(int rows = 24) : rows_(rows) {}
  int Rows() const override { return rows_; }
  void Show(const std::deque<std::string>&, std::string_view newest,
            LogPriority priority) override {
    shown.emplace_back(newest);
    priorities.push_back(priority);
  }
  void set_rows(int rows) { rows_ = rows; }
  // Every stamped line shown, oldest first, and the priority of each.
  std::vector<std::string> shown;
  std::vector<LogPriority> priorities;
  // The shown lines without their date and time stamp.
  std::vector<std::string> Texts() const;

 private:
  int rows_;
};

// A fresh folder under the system's temporary folder; removed with its
// contents when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(std::string_view name) const;

 private:
  std::string path_;
};

// Whole-file helpers for tests.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, std::string_view bytes);
bool FileExists(const std::string& path);

// Bytes from a hex text such as "00 03 ff" (blanks ignored).
std::string Hex(std::string_view text);

}  // namespace tallyhall

#endif  // TALLYHALL_TESTS_SUPPORT_FAKES_H_
