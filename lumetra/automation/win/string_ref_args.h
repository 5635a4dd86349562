// Script clients pass a string either by value (a literal) or as a reference
// to their own VARIANT (a variable); the type library's dispatch accepts only
// VT_BSTR | VT_BYREF for a BSTR* [in] parameter and refuses both with a type
// mismatch. StringRefArgs is a copy of a call's arguments in which each
// argument of such a parameter refers to a string converted from the caller's
// value. The caller's arguments are never changed; the parameters are [in],
// so nothing flows back.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "lumetra/automation/method_table.h"

namespace lumetra::win {

class StringRefArgs {
 public:
  // Throws std::bad_alloc when memory runs out; what was converted is freed.
  StringRefArgs(const MethodInfo* method, DISPPARAMS* params);
  StringRefArgs(const StringRefArgs&) = delete;
  StringRefArgs& operator=(const StringRefArgs&) = delete;

  // The arguments to dispatch: the copy, or the caller's own when nothing needed converting.
  DISPPARAMS* get() { return params_; }

 private:
  DISPPARAMS* params_;
  DISPPARAMS copy_{};
  // The converted strings, freed with the object, or when its construction throws.
  struct OwnedStrings {
    OwnedStrings() = default;
    OwnedStrings(const OwnedStrings&) = delete;
    OwnedStrings& operator=(const OwnedStrings&) = delete;
    ~OwnedStrings();
    std::vector<BSTR> items;
  };

  std::vector<VARIANT> args_;
  OwnedStrings strings_;  // args_ point into it
};

}  // namespace lumetra::win
