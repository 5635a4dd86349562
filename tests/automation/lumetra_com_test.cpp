#include "lumetra/automation/lumetra_com.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "lumetra/automation/values/errors.h"
#include "lumetra/automation/values/variant_convert.h"

namespace lumetra {
namespace {

class RecordingReporter : public ErrorReporter {
 public:
  bool Report(const ErrorInfo& info) noexcept override {
    reports.push_back(info);
    return accept;
  }
  std::vector<ErrorInfo> reports;
  bool accept = true;
};

const WideString kNullToInt64 = u"Could not convert variant of type (Null) into type (Int64)";

// Calls the object as a late-bound script does and keeps the last result.
class LumetraComTest : public ::testing::Test {
 protected:
  Variant Create(const WideString& text) {
    Variant out;
    EXPECT_EQ(com.JSONCreate(text, out), kOk);
    return out;
  }
  Variant Get(const Variant& h, const WideString& key) {
    Variant out;
    EXPECT_EQ(com.JSONGetElement(h, key, out), kOk);
    return out;
  }
  Variant Value(const Variant& h, const WideString& key) {
    Variant out;
    EXPECT_EQ(com.JSONGetNodeValue(h, key, out), kOk);
    return out;
  }
  WideString Format(const Variant& h) {
    WideString out;
    EXPECT_EQ(com.JSONFormat(h, out), kOk);
    return out;
  }
  Variant Count(const Variant& h) {
    Variant out;
    EXPECT_EQ(com.JSONCount(h, out), kOk);
    return out;
  }
  int32_t ArrayCount(const Variant& h) {
    int32_t count = 12345;
    EXPECT_EQ(com.JSONArrayCount(h, count), kOk);
    return count;
  }
  void Free(const Variant& h) { EXPECT_EQ(com.JSONFree(h), kOk); }

  RecordingReporter reporter;
  LumetraCOM com{reporter};
};

// The kinds clients see: a handle is always a 64-bit integer, a failed call's 0 a 32-bit one.
bool IsHandle(const Variant& v) { return v.type() == vt::I8 && v.signed_value() > 0 && v.signed_value() <= 0x7FFFFFFF; }
const Variant kFailed = Variant::I4(0);
const Variant kNoHandle = Variant::I8(0);

TEST_F(LumetraComTest, BuildNavigateFormatAndFree) {
  Variant root = Create(
      u" {\"order\": {\"id\": 1.50, \"lines\": [{\"sku\": \"A\"}, {\"sku\": \"B\"}]}, \"ok\": true, \"x\": null} ");
  ASSERT_TRUE(IsHandle(root));
  EXPECT_EQ(Value(root, u"order.id"), Variant::String(u"1.50"));
  EXPECT_EQ(Value(root, u"order.lines[1].sku"), Variant::String(u"B"));
  EXPECT_EQ(Value(root, u"order['lines'][0].sku"), Variant::String(u"A"));
  EXPECT_EQ(Value(root, u"ok"), Variant::Bool(true));
  EXPECT_EQ(Value(root, u"x"), Variant::Null());
  EXPECT_EQ(Value(root, u"order"), Variant());  // object: nothing
  EXPECT_EQ(Value(root, u"missing"), kFailed);
  EXPECT_EQ(Value(root, u"Order"), kFailed);  // letter case counts

  Variant lines = Get(root, u"order.lines");
  ASSERT_TRUE(IsHandle(lines));
  EXPECT_EQ(Get(root, u"order.lines"), lines);  // the same item always has the same handle
  EXPECT_EQ(ArrayCount(lines), 2);
  EXPECT_EQ(Count(lines), Variant::I4(2));
  EXPECT_EQ(Count(root), Variant::I4(3));

  Variant first;
  ASSERT_EQ(com.JSONGetArrayElement(lines, 0, first), kOk);
  EXPECT_EQ(Value(first, u"sku"), Variant::String(u"A"));
  EXPECT_EQ(Format(root),
            u"{\"order\":{\"id\":1.50,\"lines\":[{\"sku\":\"A\"},{\"sku\":\"B\"}]},\"ok\":true,\"x\":null}");

  Free(root);
  for (const Variant& dead : {root, lines, first}) {
    EXPECT_EQ(Get(dead, u""), kFailed);
    EXPECT_EQ(ArrayCount(dead), -2);
    EXPECT_TRUE(Format(dead).starts_with(u"Exception: ("));
  }
}

TEST_F(LumetraComTest, HandleArgumentsInAnyFormThatConvertsToTheSameInteger) {
  Variant root = Create(u"{\"a\":1}");
  const int64_t h = root.signed_value();
  const Variant forms[] = {Variant::I4(static_cast<int32_t>(h)), Variant::R8(static_cast<double>(h)),
                           Variant::String(FromUtf8(std::to_string(h))), Variant::ByRef(root),
                           Variant::UI4(static_cast<uint32_t>(h))};
  for (const Variant& form : forms) EXPECT_EQ(Value(form, u"a"), Variant::String(u"1")) << form.type();
  Free(root);
}

TEST_F(LumetraComTest, EmptyAndBlankKeys) {
  Variant root = Create(u"{\"s\":\"text\"}");
  Variant s = Get(root, u"s");
  EXPECT_EQ(Get(root, u""), root);
  EXPECT_EQ(Get(s, u""), s);
  EXPECT_EQ(Get(root, u" "), root);
  EXPECT_EQ(Get(s, u" "), kFailed);
  EXPECT_EQ(Value(s, u""), Variant::String(u"text"));
  EXPECT_EQ(Get(root, u".s"), kFailed);  // malformed
  Free(root);
}

TEST_F(LumetraComTest, AddingMembersAlwaysAppends) {
  Variant root;
  ASSERT_EQ(com.JSONAddElement(Variant::I8(0), u"", root), kOk);
  ASSERT_TRUE(IsHandle(root));
  Variant a1, a2;
  com.JSONAddElement(root, u"a", a1);
  com.JSONAddElement(root, u"a", a2);
  ASSERT_TRUE(IsHandle(a1));
  ASSERT_TRUE(IsHandle(a2));
  EXPECT_NE(a1, a2);
  EXPECT_EQ(Get(root, u"a"), a1);  // lookups find the first

  com.JSONAddNode(a1, u"n", Variant::I4(12));
  com.JSONAddNodeAsNumber(a1, Variant::String(u"m"), Variant::I4(12));
  com.JSONAddNodeAsNumber(a1, Variant::String(u""), Variant::I4(7));  // empty key: nothing added
  com.JSONAddNode(a1, u"", Variant::String(u"e"));                    // empty key is a key here
  com.JSONAddNodeAsNumber(a1, Variant::String(u"tiny"), Variant::R8(0.00001));
  com.JSONAddNodeAsNumber(a1, Variant::String(u"big"), Variant::R8(1e15));
  com.JSONAddNodeAsNumber(a1, Variant::String(u"digits"), Variant::R8(1.23456789012345e14));
  com.JSONAddNodeAsBool(a1, Variant::I4(5), Variant::String(u"tRuE"));  // key converted to text "5"
  EXPECT_EQ(Format(root),
            u"{\"a\":{\"n\":\"12\",\"m\":12,\"\":\"e\",\"tiny\":1E-5,\"big\":1E15,"
            u"\"digits\":123456789012345,\"5\":true},\"a\":{}}");
  EXPECT_EQ(Value(a1, u"tiny"), Variant::String(u"1E-5"));
  EXPECT_EQ(Value(a1, u"[\"5\"]"), Variant::Bool(true));

  Variant arr;
  ASSERT_EQ(com.JSONAddArray(a2, u"list", arr), kOk);
  ASSERT_TRUE(IsHandle(arr));
  Variant elem, nested;
  com.JSONAddArrayElement(arr, elem);
  ASSERT_TRUE(IsHandle(elem));
  ASSERT_EQ(com.JSONAddArrayElementNested(arr, u"{}", nested), kOk);
  EXPECT_EQ(nested, Variant());  // nothing returned on success
  EXPECT_EQ(Format(a2), u"{\"list\":[{},\"{}\"]}");
  Free(root);
}

TEST_F(LumetraComTest, FailedAddsChangeNothing) {
  Variant root = Create(u"{\"arr\":[]}");
  Variant arr = Get(root, u"arr");
  const WideString before = Format(root);
  Variant out;

  EXPECT_EQ(com.JSONAddNode(Variant::I8(0), u"k", Variant::I4(1)), kOk);
  EXPECT_EQ(com.JSONAddNode(root, u"k", Variant::Null()), kOk);
  EXPECT_EQ(com.JSONAddNode(arr, u"k", Variant::I4(1)), kOk);  // not an object
  EXPECT_EQ(com.JSONAddNodeAsNumber(root, Variant::String(u"k"), Variant::String(u"abc")), kOk);
  EXPECT_EQ(com.JSONAddNodeAsNumber(root, Variant::Null(), Variant::I4(1)), kOk);
  EXPECT_EQ(com.JSONAddNodeAsBool(root, Variant::String(u"k"), Variant::Null()), kOk);
  EXPECT_EQ(com.JSONAddArray(Variant::I8(0), u"k", out), kOk);
  EXPECT_EQ(out, kFailed);
  com.JSONAddArray(arr, u"k", out);
  EXPECT_EQ(out, kFailed);
  com.JSONAddElement(arr, u"k", out);
  EXPECT_EQ(out, kFailed);
  com.JSONAddArrayElement(root, out);
  EXPECT_EQ(out, kFailed);
  com.JSONAddArrayElementNested(root, u"x", out);
  EXPECT_EQ(out, kFailed);
  com.JSONAddArrayElementNested(Variant::I8(0), u"x", out);
  EXPECT_EQ(out, Variant());
  EXPECT_EQ(Format(root), before);
  EXPECT_TRUE(reporter.reports.empty());

  Variant new_root;
  com.JSONAddArrayElement(Variant::I8(0), new_root);
  EXPECT_TRUE(IsHandle(new_root));
  EXPECT_EQ(Format(new_root), u"{}");
  Free(new_root);
  Free(root);
}

TEST_F(LumetraComTest, CountsAndTests) {
  Variant root = Create(u"{\"a\":[1,2,3,4,5],\"s\":\"x\"}");
  Variant a = Get(root, u"a"), s = Get(root, u"s");
  struct Case {
    Variant handle;
    int32_t array_count;
    Variant count, is_object, is_array;
  };
  const Case cases[] = {
      {root, -1, Variant::I4(2), Variant::Bool(true), Variant::Bool(false)},
      {a, 5, Variant::I4(5), Variant::Bool(false), Variant::Bool(true)},
      {s, -1, Variant::I4(-1), Variant::Bool(false), Variant::Bool(false)},
      {Variant::I8(0), -1, Variant::I4(-1), Variant::Bool(false), Variant::Bool(false)},
      {Variant(), -1, Variant::I4(-1), Variant::Bool(false), Variant::Bool(false)},  // empty converts to 0
      {Variant::Null(), -2, kFailed, kFailed, kFailed},
      {Variant::String(u"12abc"), -2, kFailed, kFailed, kFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(VariantToText(c.handle.type() == vt::Null ? Variant::String(u"Null") : c.handle)));
    EXPECT_EQ(ArrayCount(c.handle), c.array_count);
    EXPECT_EQ(Count(c.handle), c.count);
    Variant out;
    com.JSONIsObject(c.handle, out);
    EXPECT_EQ(out, c.is_object);
    com.JSONIsArray(c.handle, out);
    EXPECT_EQ(out, c.is_array);
  }

  Variant out;
  com.JSONGetArrayElement(a, 5, out);
  EXPECT_EQ(out, kNoHandle);
  com.JSONGetArrayElement(a, -1, out);
  EXPECT_EQ(out, kNoHandle);
  com.JSONGetArrayElement(root, 0, out);
  EXPECT_EQ(out, kFailed);
  com.JSONGetPair(root, 2, out);
  EXPECT_EQ(out, kNoHandle);
  com.JSONGetPair(a, 0, out);
  EXPECT_EQ(out, kFailed);
  Free(root);
}

TEST_F(LumetraComTest, PairsAndTheirConversionErrors) {
  Variant root = Create(u"{\"k\":[true]}");
  Variant pair, key, value;
  ASSERT_EQ(com.JSONGetPair(root, 0, pair), kOk);
  ASSERT_TRUE(IsHandle(pair));
  com.JSONGetPairKey(pair, key);
  EXPECT_EQ(key, Variant::String(u"k"));
  com.JSONGetPairValue(pair, value);
  EXPECT_EQ(value, Get(root, u"k"));
  EXPECT_EQ(Format(pair), u"\"k\":[true]");
  EXPECT_EQ(Get(pair, u""), kFailed);  // a member is not a value

  com.JSONGetPairKey(root, key);
  EXPECT_EQ(key, Variant::String(u""));
  com.JSONGetPairValue(root, value);
  EXPECT_EQ(value, Variant::String(u""));

  // These two convert their handle before catching failures: an automation error.
  key = Variant::String(u"stale");
  EXPECT_EQ(com.JSONGetPairKey(Variant::Null(), key), kUnexpected);
  EXPECT_EQ(key, Variant());
  EXPECT_EQ(com.JSONGetPairValue(Variant::String(u"x"), value), kUnexpected);
  ASSERT_EQ(reporter.reports.size(), 2u);
  EXPECT_EQ(reporter.reports[0].source, u"Lumetra.LumetraCOM");
  EXPECT_EQ(reporter.reports[0].description, kNullToInt64);
  EXPECT_EQ(reporter.reports[1].description, u"Could not convert variant of type (OleStr) into type (Int64)");
  Free(root);
}

TEST_F(LumetraComTest, FreeOfAnOwnedItemDetachesIt) {
  Variant root = Create(u"{\"a\":{\"x\":1},\"b\":[1,{\"y\":2}]}");
  Variant a = Get(root, u"a"), x = Get(root, u"a.x"), y_owner = Get(root, u"b[1]"), b_member;
  com.JSONGetPair(root, 1, b_member);
  Free(a);
  EXPECT_EQ(Format(root), u"{\"b\":[1,{\"y\":2}]}");
  EXPECT_EQ(Get(x, u""), kFailed);  // everything below a freed item dies with it
  Free(y_owner);
  EXPECT_EQ(Format(root), u"{\"b\":[1]}");
  Free(b_member);
  EXPECT_EQ(Format(root), u"{}");
  Free(Variant::I8(0));
  Free(Variant::Null());  // silent
  Free(a);                // already dead: silent
  EXPECT_TRUE(reporter.reports.empty());
  Free(root);
}

TEST_F(LumetraComTest, CreateAndFormatEdges) {
  for (const char16_t* bad : {u"", u"{\"a\":1,}", u"[1 2]", u"01", u"True", u"{} x"}) EXPECT_EQ(Create(bad), kNoHandle);
  EXPECT_EQ(Create(WideString(1000000, u'[')), kNoHandle);  // too deep: refused, never a crash

  Variant s = Create(u"\"a/b\\\"c\\\\\u00e9\t\u007f\u0080\u001f\"");
  EXPECT_EQ(Format(s), u"\"a\\/b\\\"c\\\\\\u00E9\\t\u007f\\u0080\\u001F\"");
  Free(s);

  EXPECT_EQ(Format(Variant::Null()), u"Exception: (" + kNullToInt64 + u")");
  const WideString zero = Format(Variant::I8(0));
  EXPECT_TRUE(zero.starts_with(u"Exception: (") && zero.ends_with(u")")) << ToUtf8(zero);
  EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(LumetraComTest, TextConversionFollowsTheRegionalDecimalSeparator) {
  Variant root = Create(u"{}");
  SetDecimalSeparator(u',');
  com.JSONAddNode(root, u"t", Variant::R8(1.5));
  com.JSONAddNodeAsNumber(root, Variant::String(u"n"), Variant::R8(1.5));  // JSON numbers keep "."
  SetDecimalSeparator(u'.');
  EXPECT_EQ(Format(root), u"{\"t\":\"1,5\",\"n\":1.5}");
  Free(root);
}

TEST_F(LumetraComTest, DSToJSONFailsOnlyWhenThePacketCannotBeLoaded) {
  const WideString packet =
      u"<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"ID\" fieldtype=\"i4\"/>"
      u"<FIELD attrname=\"NAME\" fieldtype=\"string\" WIDTH=\"10\"/></FIELDS><PARAMS/></METADATA>"
      u"<ROWDATA><ROW ID=\"1\" NAME=\"uno\"/></ROWDATA></DATAPACKET>";
  WideString out = u"stale";
  EXPECT_EQ(com.DSToJSON(u"<x/>", u"{}", u"ID", Variant::I4(1), u"M", out), kUnexpected);
  EXPECT_EQ(out, u"");
  ASSERT_EQ(reporter.reports.size(), 1u);
  EXPECT_EQ(reporter.reports[0].source, u"Lumetra.LumetraCOM");
  EXPECT_NE(reporter.reports[0].description.find(u"DATAPACKET"), WideString::npos);
  // A later failure is a success with an empty result.
  out = u"stale";
  EXPECT_EQ(com.DSToJSON(packet, u"{}", u"ID", Variant::I4(1), u"D", out), kOk);
  EXPECT_EQ(out, u"");
  EXPECT_EQ(com.DSToJSON(packet, u"{\"name\":\"dos\"}", u"ID", Variant::I4(2), u"C", out), kOk);
  EXPECT_NE(out.find(u"<ROW RowState=\"4\" ID=\"2\" NAME=\"dos\"/>"), WideString::npos);
  EXPECT_EQ(reporter.reports.size(), 1u);
}

TEST_F(LumetraComTest, Base64AndVersion) {
  WideString version;
  EXPECT_EQ(com.Version(version), kOk);
  EXPECT_EQ(version, u"1.0.002");

  const auto dir = std::filesystem::temp_directory_path() / "lumetra-com-test";
  std::filesystem::create_directories(dir);
  bool res = true;
  EXPECT_EQ(com.EncodeBase64(u"Man", FromUtf8((dir / "m.b64").string()), res), kOk);
  EXPECT_FALSE(res);
  std::ifstream in(dir / "m.b64", std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_EQ(content.str(), "TWFu");
  res = false;
  EXPECT_EQ(com.DecodeBase64(u"TWFu", u"", res), kOk);
  EXPECT_TRUE(res);
  std::filesystem::remove_all(dir);
}

// The error convention on its own: which code and which information a failure gives.
TEST(ErrorConventionTest, ResultCodesAndErrorInformation) {
  RecordingReporter reporter;
  EXPECT_EQ(GuardedCall(reporter, [] {}), kOk);
  EXPECT_EQ(GuardedCall(reporter, [] { throw Error("plain"); }), kUnexpected);
  EXPECT_EQ(GuardedCall(reporter, [] { throw Error("own code", static_cast<int32_t>(0x80070005), 42); }),
            static_cast<HResult>(0x80070005));
  EXPECT_EQ(GuardedCall(reporter, [] { throw Error("positive code is no failure code", 1); }), kUnexpected);
  EXPECT_EQ(GuardedCall(reporter, [] { throw AbortError(); }), kAbortResult);
  EXPECT_EQ(GuardedCall(reporter, [] { throw Error(""); }), kUnexpected);
  ASSERT_EQ(reporter.reports.size(), 5u);
  EXPECT_EQ(reporter.reports[0].description, u"plain");
  EXPECT_EQ(reporter.reports[1].help_context, 42);
  EXPECT_EQ(reporter.reports[4].description, u"");
  for (const ErrorInfo& info : reporter.reports) EXPECT_EQ(info.source, u"Lumetra.LumetraCOM");

  reporter.accept = false;  // the error object cannot be created
  EXPECT_EQ(GuardedCall(reporter, [] { throw Error("x", static_cast<int32_t>(0x80070005)); }), kUnexpected);
}

}  // namespace
}  // namespace lumetra
