// The four variant conversions over variants made from the fuzz bytes: a kind
// byte and its payload (strings as UTF-16 code units), possibly by reference
// or inside an array, under "." or "," as the decimal separator. Each
// conversion returns or throws ConversionError or OverflowError, nothing else,
// and never changes its input.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "lumetra/automation/values/errors.h"
#include "lumetra/automation/values/platform_conversions.h"
#include "lumetra/automation/values/variant_convert.h"

using lumetra::Variant;
using lumetra::fuzz::Check;
using lumetra::fuzz::FuzzInput;
namespace vt = lumetra::vt;

namespace {

template <class T>
T Raw(FuzzInput& input) {
  const uint64_t bits = input.Number(sizeof(T));
  T value;
  std::memcpy(&value, &bits, sizeof(T));
  return value;
}

Variant Scalar(FuzzInput& input, uint8_t kind) {
  switch (kind % 21) {
    case 0:
      return Variant();
    case 1:
      return Variant::Null();
    case 2:
      return Variant::I1(Raw<int8_t>(input));
    case 3:
      return Variant::I2(Raw<int16_t>(input));
    case 4:
      return Variant::I4(Raw<int32_t>(input));
    case 5:
      return Variant::I8(Raw<int64_t>(input));
    case 6:
      return Variant::Int(Raw<int32_t>(input));
    case 7:
      return Variant::UI1(Raw<uint8_t>(input));
    case 8:
      return Variant::UI2(Raw<uint16_t>(input));
    case 9:
      return Variant::UI4(Raw<uint32_t>(input));
    case 10:
      return Variant::UI8(Raw<uint64_t>(input));
    case 11:
      return Variant::UInt(Raw<uint32_t>(input));
    case 12:
      return Variant::R4(Raw<float>(input));
    case 13:
      return Variant::R8(Raw<double>(input));
    case 14:
      return Variant::Date(Raw<double>(input));
    case 15:
      return Variant::Currency(Raw<int64_t>(input));
    case 16:
      return Variant::Bool(input.Byte() & 1);
    case 17:
      return Variant::ErrorCode(Raw<int32_t>(input));
    case 18: {
      lumetra::DecimalValue decimal;
      decimal.scale = input.Byte() % 29;  // the platform's DECIMAL has scale 0..28
      decimal.negative = input.Byte() & 1;
      decimal.hi32 = Raw<uint32_t>(input);
      decimal.lo64 = Raw<uint64_t>(input);
      return Variant::Decimal(decimal);
    }
    case 19:
      return Variant::Dispatch(nullptr);
    default: {
      // A string: a length byte, then two bytes per code unit.
      const size_t units = input.Byte();
      return Variant::String(lumetra::fuzz::Utf16Units(input.Bytes(2 * units)));
    }
  }
}

template <class Convert>
void Attempt(const Variant& value, Convert convert) {
  const Variant copy = value;
  try {
    convert(value);
  } catch (const lumetra::ConversionError&) {
  } catch (const lumetra::OverflowError&) {
  }
  // NaN payloads are not equal even to themselves; those are left out.
  Check(!(copy == copy) || copy == value, "a conversion never changes its input");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const uint8_t shape = input.Byte();
  lumetra::SetDecimalSeparator(shape & 1 ? u',' : u'.');
  Variant target = Scalar(input, input.Byte());
  if (shape & 2) {
    std::vector<Variant> elements;
    const size_t count = input.Byte() % 4;
    for (size_t i = 0; i < count; ++i) elements.push_back(Scalar(input, input.Byte()));
    target = Variant::ArrayOf(shape & 8 ? vt::Variant : vt::I4, std::move(elements));
  }
  const Variant value = shape & 4 ? Variant::ByRef(target) : target;

  Attempt(value, [](const Variant& v) { lumetra::VariantToInt64(v); });
  Attempt(value, [](const Variant& v) { lumetra::VariantToText(v); });
  Attempt(value, [](const Variant& v) { lumetra::VariantToDouble(v); });
  Attempt(value, [](const Variant& v) { lumetra::VariantToBool(v); });
  lumetra::SetDecimalSeparator(u'.');
  return 0;
}
