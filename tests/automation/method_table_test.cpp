#include "lumetra/automation/method_table.h"

#include <gtest/gtest.h>

#include <set>

namespace lumetra {
namespace {

TEST(MethodTableTest, OrderAndDispatchIdentifiers) {
  const auto& table = MethodTable();
  const char* expected_order[] = {"JSONCreate",
                                  "JSONGetElement",
                                  "JSONGetNodeValue",
                                  "JSONGetArrayElement",
                                  "JSONArrayCount",
                                  "JSONFree",
                                  "JSONAddElement",
                                  "JSONAddNode",
                                  "JSONFormat",
                                  "JSONAddArray",
                                  "JSONAddArrayElement",
                                  "JSONAddNodeAsNumber",
                                  "JSONAddNodeAsBool",
                                  "JSONGetPairKey",
                                  "JSONIsObject",
                                  "JSONIsArray",
                                  "JSONCount",
                                  "JSONGetPair",
                                  "JSONGetPairValue",
                                  "JSONAddArrayElementNested",
                                  "DSToJSON",
                                  "SendMail",
                                  "EncodeBase64",
                                  "DecodeBase64",
                                  "Version"};
  std::set<int32_t> dispids;
  for (size_t row = 0; row < kMethodCount; ++row) {
    EXPECT_EQ(table[row].name, expected_order[row]);
    dispids.insert(table[row].dispid);
    // JSONAddNodeAsNumber (slot 14 of the function table) keeps 101; the others count up from 102.
    const int32_t expected = row == 11 ? 101 : static_cast<int32_t>(row < 11 ? 102 + row : 101 + row);
    EXPECT_EQ(table[row].dispid, expected) << table[row].name;
  }
  EXPECT_EQ(dispids.size(), kMethodCount);
  EXPECT_EQ(FindMethod(101)->name, "JSONAddNodeAsNumber");
  EXPECT_EQ(FindMethod("Version")->dispid, 125);
  EXPECT_EQ(FindMethod(100), nullptr);
}

TEST(MethodTableTest, ResultIsAlwaysTheLastParameter) {
  for (const MethodInfo& m : MethodTable()) {
    for (size_t i = 0; i < m.params.size(); ++i) {
      if (m.params[i].direction == ParamDirection::OutRetval) {
        EXPECT_EQ(i, m.params.size() - 1) << m.name;
      }
    }
  }
  const MethodInfo* send = FindMethod("SendMail");
  ASSERT_EQ(send->params.size(), 12u);
  EXPECT_EQ(send->params[9].type, ParamType::Int);
  EXPECT_EQ(send->params[10].type, ParamType::VariantBool);
  EXPECT_EQ(FindMethod("JSONFree")->params.size(), 1u);
  EXPECT_EQ(FindMethod("DSToJSON")->params[3].type, ParamType::Variant);
  EXPECT_EQ(FindMethod("DSToJSON")->params[0].type, ParamType::BStrRef);
}

}  // namespace
}  // namespace lumetra
