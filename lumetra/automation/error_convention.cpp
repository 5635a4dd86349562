#include "lumetra/automation/error_convention.h"

#include <exception>
#include <new>

#include "lumetra/automation/values/errors.h"

namespace lumetra {

HResult ReportCurrentException(ErrorReporter& reporter) noexcept {
  try {
    HResult code = kUnexpected;
    ErrorInfo info{kProgId, {}, 0};
    try {
      throw;
    } catch (const Error& e) {
      if (e.hresult() < 0) code = e.hresult();
      info.description = FromUtf8(e.message());
      info.help_context = e.help_context();
    } catch (const AbortError& e) {
      code = kAbortResult;
      info.description = FromUtf8(e.what());
    } catch (const std::bad_alloc&) {
      info.description = u"Out of memory";
    } catch (const std::exception& e) {
      info.description = FromUtf8(e.what());
    } catch (...) {
    }
    return reporter.Report(info) ? code : kUnexpected;
  } catch (...) {
    return kUnexpected;  // not even the error information could be built
  }
}

}  // namespace lumetra
