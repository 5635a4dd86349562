// Hand-set clock and file times for guard tests.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "tolvane/time_sources.h"

namespace tolvane::testing {

class FakeClock final : public LocalClock {
 public:
  TDateTime Now() const override { return now; }
  TDateTime now = 0;
};

class FakeFileTimes final : public FileTimes {
 public:
  bool IsFile(const std::string& path) const override { return files.contains(path); }
  std::optional<LocalTimestamp> LastWriteTime(const std::string& path) const override {
    const auto it = files.find(path);
    return it == files.end() ? std::nullopt : it->second;
  }
  // Existing files and their times; nullopt for a file whose time cannot be read.
  std::map<std::string, std::optional<LocalTimestamp>> files;
};

}  // namespace tolvane::testing
