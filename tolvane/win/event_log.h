// Error entries in the Windows application event log under one source name (event id 0,
// category 0, the text as the only string). The source is registered on the first entry.
#pragma once

#include <string>

#include "tolvane/win/handles.h"

namespace tolvane::win {

class EventLog {
 public:
  explicit EventLog(std::wstring source) : source_(std::move(source)) {}

  void LogError(const std::wstring& text);

 private:
  std::wstring source_;
  EventSourceHandle handle_;
};

}  // namespace tolvane::win
