#include "tolvane/win/event_log.h"

namespace tolvane::win {

void EventLog::LogError(const std::wstring& text) {
  if (!handle_) handle_.reset(RegisterEventSourceW(nullptr, source_.c_str()));
  if (!handle_) return;
  const wchar_t* strings[] = {text.c_str()};
  ReportEventW(handle_.get(), EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
}

}  // namespace tolvane::win
