// An error that ends the program at start-up (the ini file cannot be read, the instance suffix
// makes an invalid name, the service control manager cannot be opened). In an interactive run it
// is shown in the box "Error general en la aplicación":
//   "Excepción <kind> en el módulo <file name> en <address>." line break, the message, and a
//   final "." when the message has none.
// A process without a visible desktop (started by the service control manager) shows no box,
// which nobody could answer, and writes the same text to the event log instead.
#pragma once

#include <exception>
#include <string>

namespace tolvane::win {

class EventLog;

std::wstring StartupErrorText(const std::exception& error, const std::wstring& module_name,
                              const void* fallback_address);

void ReportStartupError(const std::exception& error, const std::wstring& module_name, const void* fallback_address,
                        EventLog& application_log);

}  // namespace tolvane::win
