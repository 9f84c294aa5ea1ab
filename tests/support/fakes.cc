// Test doubles shared by the unit and end-to-end tests.
#include "support/fakes.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tallyhall {

void FakeClock::Advance(int seconds) {
  steady_ms_ += std::int64_t{seconds} * 1000;
  int total = now_.SecondsOfDay() + seconds;
  while (total >= 86400) {
    total -= 86400;
    ++now_.day;
  }
  now_.hour = total / 3600;
  now_.minute = total / 60 % 60;
  now_.second = total % 60;
}

std::vector<std::string> RecordingView::Texts() const {
  std::vector<std::string> texts;
  for (const std::string& line : shown) {
    // "YYYY-MM-DD HH:MM:SS " is 20 characters.
    texts.push_back(line.size() >= 20 ? line.substr(20) : line);
  }
  return texts;
}

TempDir::TempDir() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "tallyhall-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("mkdtemp failed");
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(std::string_view name) const {
  return path_ + "/" + std::string(name);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) {
  return std::filesystem::exists(path);
}

std::string Hex(std::string_view text) {
  std::string bytes;
  int high = -1;
  for (char c : text) {
    int nibble;
    if (c >= '0' && c <= '9') {
      nibble = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      nibble = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      nibble = c - 'A' + 10;
    } else {
      continue;
    }
    if (high < 0) {
      high = nibble;
    } else {
      bytes.push_back(static_cast<char>(high * 16 + nibble));
      high = -1;
    }
  }
  return bytes;
}

}  // namespace tallyhall
