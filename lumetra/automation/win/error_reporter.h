// Turns the error information of a failed call into the thread's error
// object (CreateErrorInfo, SetErrorInfo) for the interface ILumetraCOM.
#pragma once

#include "lumetra/automation/lumetra_com.h"

namespace lumetra::win {

class ComErrorReporter final : public ErrorReporter {
 public:
  bool Report(const ErrorInfo& info) noexcept override;
};

}  // namespace lumetra::win
