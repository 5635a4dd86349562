#include "lumetra/automation/win/error_reporter.h"

#include <windows.h>
#include <oleauto.h>

#include "lumetra/automation/win/bstr.h"
#include "lumetra/automation/win/com_ptr.h"
#include "lumetra_h.h"  // generated from lumetra.idl

namespace lumetra::win {

bool ComErrorReporter::Report(const ErrorInfo& info) noexcept {
  ComPtr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(create.Put()))) return false;
  create->SetGUID(IID_ILumetraCOM);
  Bstr source(info.source);
  create->SetSource(source.get());
  if (!info.description.empty()) {
    Bstr description(info.description);
    create->SetDescription(description.get());
  }
  if (info.help_context != 0) create->SetHelpContext(static_cast<DWORD>(info.help_context));
  ComPtr<IErrorInfo> error;
  if (FAILED(create->QueryInterface(IID_IErrorInfo, error.PutVoid()))) return false;
  return SUCCEEDED(SetErrorInfo(0, error.get()));
}

}  // namespace lumetra::win
