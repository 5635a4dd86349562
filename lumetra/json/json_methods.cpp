#include "lumetra/json/json_methods.h"

#include <cmath>
#include <cstdlib>
#include <new>
#include <string>

#include "lumetra/automation/values/errors.h"
#include "lumetra/automation/values/variant_convert.h"
#include "lumetra/json/key_path.h"
#include "lumetra/json/reader.h"
#include "lumetra/json/store.h"
#include "lumetra/json/writer.h"

namespace lumetra::json {
namespace {

// Result kinds: a handle is always a 64-bit integer, a failed call's 0 and
// counts always 32-bit integers.
Variant HandleResult(TJSONAncestor item) { return Variant::I8(GlobalStore().HandleOf(item)); }
const Variant kNoHandle = Variant::I8(0);
const Variant kFailed = Variant::I4(0);

// The handle of a new item that `attach` attaches and returns. Room for the
// handle is made first, so once the item is attached nothing can fail: a
// failed add leaves the tree as it was.
template <typename Attach>
Variant AddedHandle(Attach&& attach) {
  GlobalStore().ReserveHandle();
  const TJSONAncestor added = attach();
  return Variant::I8(GlobalStore().HandleOf(added));
}

[[noreturn]] void Fail(const std::string& message) { throw Error(message); }

// The live item a handle names; a failure for 0 and for dead or never-issued handles.
TJSONAncestor ItemOf(int64_t handle) {
  const TJSONAncestor item = GlobalStore().Resolve(handle);
  if (!item) Fail("Invalid JSON handle: " + std::to_string(handle));
  return item;
}

// The item of a handle argument, which must be a T (a member is not a value).
template <class T>
T ItemAs(int64_t handle) {
  const T item = As<T>(ItemOf(handle));
  if (!item) Fail("JSON item of the wrong kind for this operation: " + std::to_string(handle));
  return item;
}

template <class T>
T ItemAs(const Variant& handle) {
  return ItemAs<T>(VariantToInt64(handle));
}

// A number's text converts to a double with "." unless it lies beyond the double range.
bool NumberTextConverts(WideStringView text) {
  const std::string narrow = ToUtf8(text);
  char* end = nullptr;
  const double value = std::strtod(narrow.c_str(), &end);
  return end == narrow.c_str() + narrow.size() && !narrow.empty() && std::isfinite(value);
}

// Runs a method body; any failure delivers `failure` instead.
template <typename Body>
void Catching(Variant& out, const Variant& failure, Body&& body) {
  try {
    body();
  } catch (...) {
    out = failure;
  }
}

template <typename Body>
void Silently(Body&& body) {
  try {
    body();
  } catch (...) {
  }
}

}  // namespace

void JSONCreate(const WideString& text, Variant& out) {
  Catching(out, kFailed, [&] {
    Tree root = ParseJSON(text);
    out = root ? Variant::I8(GlobalStore().AdoptRoot(std::move(root))) : kNoHandle;
  });
}

void JSONFormat(const Variant& handle, WideString& out) {
  try {
    out = FormatJSON(ItemOf(VariantToInt64(handle)));
  } catch (const std::bad_alloc&) {
    out = u"Exception: (Out of memory)";
  } catch (const std::exception& e) {
    const WideString message = FromUtf8(e.what());
    out = message.empty() ? u"Error desconocido" : u"Exception: (" + message + u")";
  } catch (...) {
    out = u"Error desconocido";
  }
}

void JSONGetElement(const Variant& handle, const WideString& key, Variant& out) {
  Catching(out, kFailed, [&] {
    const TJSONValue found = FindByKeyPath(ItemAs<TJSONValue>(handle), key);
    if (!found) Fail("JSON path not found");
    out = HandleResult(found);
  });
}

void JSONGetNodeValue(const Variant& handle, const WideString& key, Variant& out) {
  Catching(out, kFailed, [&] {
    const TJSONValue found = FindByKeyPath(ItemAs<TJSONValue>(handle), key);
    if (!found) Fail("JSON path not found");
    if (const auto number = As<TJSONNumber>(found)) {
      WideString text = number.TextAsWide();
      if (!NumberTextConverts(text)) Fail("JSON number out of range");
      out = Variant::String(std::move(text));
    } else if (const auto text = As<TJSONString>(found)) {
      out = Variant::String(text.TextAsWide());
    } else if (const auto boolean = As<TJSONBool>(found)) {
      out = Variant::Bool(boolean.Value());
    } else if (found.IsNull()) {
      out = Variant::Null();
    }  // objects and arrays: nothing
  });
}

void JSONGetArrayElement(const Variant& handle, int32_t index, Variant& out) {
  Catching(out, kFailed, [&] {
    const auto array = ItemAs<TJSONArray>(handle);
    out = index >= 0 && static_cast<size_t>(index) < array.Count() ? HandleResult(array.Element(index)) : kNoHandle;
  });
}

void JSONArrayCount(const Variant& handle, int32_t& count) {
  try {
    const int64_t h = VariantToInt64(handle);
    const auto array = h == 0 ? TJSONArray() : As<TJSONArray>(ItemOf(h));
    count = array ? static_cast<int32_t>(array.Count()) : -1;
  } catch (...) {
    count = -2;
  }
}

void JSONCount(const Variant& handle, Variant& out) {
  Catching(out, kFailed, [&] {
    const int64_t h = VariantToInt64(handle);
    const TJSONAncestor item = h == 0 ? TJSONAncestor() : ItemOf(h);
    int32_t count = -1;
    if (const auto array = As<TJSONArray>(item)) count = static_cast<int32_t>(array.Count());
    if (const auto object = As<TJSONObject>(item)) count = static_cast<int32_t>(object.Count());
    out = Variant::I4(count);
  });
}

void JSONIsObject(const Variant& handle, Variant& out) {
  Catching(out, kFailed, [&] {
    const int64_t h = VariantToInt64(handle);
    out = Variant::Bool(h != 0 && ItemOf(h).IsObject());
  });
}

void JSONIsArray(const Variant& handle, Variant& out) {
  Catching(out, kFailed, [&] {
    const int64_t h = VariantToInt64(handle);
    out = Variant::Bool(h != 0 && ItemOf(h).IsArray());
  });
}

void JSONGetPair(const Variant& handle, int32_t index, Variant& out) {
  Catching(out, kFailed, [&] {
    const auto object = ItemAs<TJSONObject>(handle);
    out = index >= 0 && static_cast<size_t>(index) < object.Count() ? HandleResult(object.Member(index)) : kNoHandle;
  });
}

// These two convert the handle before they catch failures, so a handle that
// does not convert is an automation error.
void JSONGetPairKey(const Variant& handle, Variant& out) {
  const int64_t h = VariantToInt64(handle);
  Catching(out, Variant::String(u""), [&] { out = Variant::String(ItemAs<TJSONPair>(h).KeyAsWide()); });
}

void JSONGetPairValue(const Variant& handle, Variant& out) {
  const int64_t h = VariantToInt64(handle);
  Catching(out, Variant::String(u""), [&] { out = HandleResult(ItemAs<TJSONPair>(h).Value()); });
}

void JSONAddElement(const Variant& handle, const WideString& key, Variant& out) {
  Catching(out, kFailed, [&] {
    const int64_t h = VariantToInt64(handle);
    if (h == 0) {
      out = Variant::I8(GlobalStore().AdoptRoot(Tree(NewObject())));
      return;
    }
    const auto owner = ItemAs<TJSONObject>(h);
    NewItem added = NewObject();
    out = AddedHandle([&] { return owner.Add(key, std::move(added)).Value(); });
  });
}

void JSONAddArray(const Variant& handle, const WideString& key, Variant& out) {
  Catching(out, kFailed, [&] {
    const auto owner = ItemAs<TJSONObject>(handle);
    NewItem added = NewArray();
    out = AddedHandle([&] { return owner.Add(key, std::move(added)).Value(); });
  });
}

void JSONAddArrayElement(const Variant& handle, Variant& out) {
  Catching(out, kFailed, [&] {
    const int64_t h = VariantToInt64(handle);
    if (h == 0) {
      out = Variant::I8(GlobalStore().AdoptRoot(Tree(NewObject())));
      return;
    }
    const auto owner = ItemAs<TJSONArray>(h);
    NewItem added = NewObject();
    out = AddedHandle([&] { return owner.Add(std::move(added)); });
  });
}

void JSONAddArrayElementNested(const Variant& handle, const WideString& value, Variant& out) {
  Catching(out, kFailed, [&] {
    const int64_t h = VariantToInt64(handle);
    if (h == 0) return;
    NewItem text = NewString(value);
    ItemAs<TJSONArray>(h).Add(std::move(text));
  });
}

void JSONAddNode(const Variant& handle, const WideString& key, const Variant& value) {
  Silently([&] {
    const int64_t h = VariantToInt64(handle);
    NewItem text = NewString(VariantToText(value));
    ItemAs<TJSONObject>(h).Add(key, std::move(text));
  });
}

void JSONAddNodeAsNumber(const Variant& handle, const Variant& key, const Variant& value) {
  Silently([&] {
    NewItem number = NumberFromDouble(VariantToDouble(value));
    WideString name = VariantToText(key);
    if (name.empty()) return;
    ItemAs<TJSONObject>(handle).Add(std::move(name), std::move(number));
  });
}

void JSONAddNodeAsBool(const Variant& handle, const Variant& key, const Variant& value) {
  Silently([&] {
    NewItem boolean = NewBool(VariantToBool(value));
    WideString name = VariantToText(key);
    if (name.empty()) return;
    ItemAs<TJSONObject>(handle).Add(std::move(name), std::move(boolean));
  });
}

void JSONFree(const Variant& handle) {
  Silently([&] {
    const int64_t h = VariantToInt64(handle);
    if (h == 0) return;
    GlobalStore().Free(GlobalStore().Resolve(h));
  });
}

}  // namespace lumetra::json
