#include "lumetra/automation/win/string_ref_args.h"

#ifdef LUMETRA_FAULT_INJECTION
#include "lumetra/automation/win/fault_injection.h"
#endif

namespace lumetra::win {

StringRefArgs::StringRefArgs(const MethodInfo* method, DISPPARAMS* params) : params_(params) {
  // Named arguments keep their own order; the dispatch handles them as they are.
  if (method == nullptr || params == nullptr || params->cNamedArgs != 0) return;
  const UINT count = params->cArgs;
  strings_.items.reserve(count);  // no reallocation: args_ hold addresses of its elements
  for (size_t p = 0; p < method->params.size() && p < count; ++p) {
    const ParamInfo& param = method->params[p];
    if (param.type != ParamType::BStrRef || param.direction != ParamDirection::In) continue;
    VARIANT& given = params->rgvarg[count - 1 - p];  // arguments come last first; only read
    if (V_VT(&given) == (VT_BSTR | VT_BYREF)) continue;

    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, &given, 0, VT_BSTR))) continue;  // the dispatch reports the mismatch
    strings_.items.push_back(V_BSTR(&text));  // owned from here on; reserved, so this cannot throw
#ifdef LUMETRA_FAULT_INJECTION
    FailCopyIfTriggered(strings_.items.back());
#endif
    if (args_.empty()) args_.assign(params->rgvarg, params->rgvarg + count);
    VARIANT& arg = args_[count - 1 - p];
    V_VT(&arg) = VT_BSTR | VT_BYREF;
    V_BSTRREF(&arg) = &strings_.items.back();
  }
  if (args_.empty()) return;
  copy_ = *params;
  copy_.rgvarg = args_.data();
  params_ = &copy_;
}

StringRefArgs::OwnedStrings::~OwnedStrings() {
  for (BSTR s : items) SysFreeString(s);
}

}  // namespace lumetra::win
