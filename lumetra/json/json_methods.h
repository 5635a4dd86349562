// The JSON methods of the automation object, on automation values: each
// converts its arguments, works on the process-wide store and delivers its
// result, its "nothing" value or its failure value with the kind clients
// expect (a handle as a 64-bit integer, a failed call's 0 as a 32-bit
// integer, ...). Failures are caught here; only JSONGetPairKey and
// JSONGetPairValue let a failed conversion of their handle argument escape.
// Outs are expected cleared by the caller.
#pragma once

#include <cstdint>

#include "lumetra/automation/values/variant.h"

namespace lumetra::json {

void JSONCreate(const WideString& text, Variant& out);
void JSONFormat(const Variant& handle, WideString& out);

void JSONGetElement(const Variant& handle, const WideString& key, Variant& out);
void JSONGetNodeValue(const Variant& handle, const WideString& key, Variant& out);
void JSONGetArrayElement(const Variant& handle, int32_t index, Variant& out);
void JSONArrayCount(const Variant& handle, int32_t& count);
void JSONCount(const Variant& handle, Variant& out);
void JSONIsObject(const Variant& handle, Variant& out);
void JSONIsArray(const Variant& handle, Variant& out);
void JSONGetPair(const Variant& handle, int32_t index, Variant& out);
void JSONGetPairKey(const Variant& handle, Variant& out);
void JSONGetPairValue(const Variant& handle, Variant& out);

void JSONAddElement(const Variant& handle, const WideString& key, Variant& out);
void JSONAddArray(const Variant& handle, const WideString& key, Variant& out);
void JSONAddArrayElement(const Variant& handle, Variant& out);
void JSONAddArrayElementNested(const Variant& handle, const WideString& value, Variant& out);
void JSONAddNode(const Variant& handle, const WideString& key, const Variant& value);
void JSONAddNodeAsNumber(const Variant& handle, const Variant& key, const Variant& value);
void JSONAddNodeAsBool(const Variant& handle, const Variant& key, const Variant& value);

void JSONFree(const Variant& handle);

}  // namespace lumetra::json
