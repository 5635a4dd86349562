// The committed type-library source (lumetra/automation/win/lumetra.idl) must
// describe exactly the interface of the method table: same methods in the same
// order, same dispatch identifiers, same parameters with the same types and
// directions. The Windows build compiles the type library from that file.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "lumetra/automation/method_table.h"

namespace lumetra {
namespace {

struct IdlParam {
  std::string attributes;  // "in" or "out, retval"
  std::string type;        // "VARIANT*", "BSTR", ...
  std::string name;
};

struct IdlMethod {
  int dispid = 0;
  std::string name;
  std::vector<IdlParam> params;
};

std::string ReadIdl() {
  std::ifstream in(LUMETRA_IDL_PATH);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string StripComments(const std::string& text) { return std::regex_replace(text, std::regex("//[^\n]*"), ""); }

std::string Trim(const std::string& s) {
  const auto begin = s.find_first_not_of(" \t\r\n");
  const auto end = s.find_last_not_of(" \t\r\n");
  return begin == std::string::npos ? "" : s.substr(begin, end - begin + 1);
}

std::string Squeeze(const std::string& s) {  // "VARIANT *" -> "VARIANT*"
  return std::regex_replace(Trim(s), std::regex("\\s*\\*"), "*");
}

// Splits at commas outside square brackets.
std::vector<std::string> SplitParams(const std::string& list) {
  std::vector<std::string> parts;
  std::string current;
  int depth = 0;
  for (char c : list) {
    if (c == '[') ++depth;
    if (c == ']') --depth;
    if (c == ',' && depth == 0) {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!Trim(current).empty()) parts.push_back(current);
  return parts;
}

IdlParam ParseParam(const std::string& text) {
  static const std::regex param(
      R"(^\s*\[([^\]]*)\]\s*([A-Za-z_][A-Za-z_0-9 ]*?\s*\**)\s*([A-Za-z_][A-Za-z_0-9]*)\s*$)");
  std::smatch m;
  if (!std::regex_match(text, m, param)) {
    ADD_FAILURE() << "unreadable parameter: " << text;
    return {};
  }
  return {Squeeze(std::regex_replace(m[1].str(), std::regex("\\s+"), " ")), Squeeze(m[2].str()), m[3].str()};
}

// The body of "interface ILumetraCOM : IUnknown { ... };".
std::string InterfaceBody(const std::string& idl) {
  const auto start = idl.find("interface ILumetraCOM");
  if (start == std::string::npos) return {};
  const auto open = idl.find('{', start);
  const auto close = idl.find("};", open);
  return idl.substr(open + 1, close - open - 1);
}

std::vector<IdlMethod> ParseMethods(const std::string& body) {
  static const std::regex method(
      R"(\[\s*id\(\s*(0x[0-9A-Fa-f]+|[0-9]+)\s*\)\s*\]\s*HRESULT\s+(\w+)\s*\(([^)]*)\)\s*;)");
  std::vector<IdlMethod> methods;
  for (auto it = std::sregex_iterator(body.begin(), body.end(), method); it != std::sregex_iterator(); ++it) {
    IdlMethod m;
    m.dispid = static_cast<int>(std::stol((*it)[1].str(), nullptr, 0));
    m.name = (*it)[2].str();
    for (const std::string& p : SplitParams((*it)[3].str())) m.params.push_back(ParseParam(p));
    methods.push_back(m);
  }
  return methods;
}

// The IDL spelling of a table parameter: its type as declared and its attributes.
std::pair<std::string, std::string> Expected(const ParamInfo& p) {
  if (p.direction == ParamDirection::OutRetval) {
    switch (p.type) {
      case ParamType::Variant:
        return {"VARIANT*", "out, retval"};
      case ParamType::BStr:
        return {"BSTR*", "out, retval"};
      case ParamType::Long:
        return {"long*", "out, retval"};
      case ParamType::VariantBool:
        return {"VARIANT_BOOL*", "out, retval"};
      default:
        return {"?", "out, retval"};
    }
  }
  switch (p.type) {
    case ParamType::BStr:
      return {"BSTR", "in"};
    case ParamType::BStrRef:
      return {"BSTR*", "in"};
    case ParamType::VariantRef:
      return {"VARIANT*", "in"};
    case ParamType::Variant:
      return {"VARIANT", "in"};
    case ParamType::Long:
      return {"long", "in"};
    case ParamType::Int:
      return {"int", "in"};
    case ParamType::VariantBool:
      return {"VARIANT_BOOL", "in"};
  }
  return {"?", "in"};
}

class IdlMatchesTableTest : public ::testing::Test {
 protected:
  std::string idl_ = StripComments(ReadIdl());
  std::vector<IdlMethod> methods_ = ParseMethods(InterfaceBody(idl_));
};

TEST_F(IdlMatchesTableTest, MethodsInTableOrderWithTheirDispatchIdentifiers) {
  ASSERT_EQ(methods_.size(), kMethodCount);
  for (size_t i = 0; i < kMethodCount; ++i) {
    const MethodInfo& row = MethodTable()[i];
    EXPECT_EQ(methods_[i].name, row.name) << "slot " << i + 3;
    EXPECT_EQ(methods_[i].dispid, row.dispid) << row.name;
  }
}

TEST_F(IdlMatchesTableTest, ParametersWithTheirTypesAndDirections) {
  ASSERT_EQ(methods_.size(), kMethodCount);
  for (size_t i = 0; i < kMethodCount; ++i) {
    const MethodInfo& row = MethodTable()[i];
    const IdlMethod& method = methods_[i];
    ASSERT_EQ(method.params.size(), row.params.size()) << row.name;
    for (size_t k = 0; k < row.params.size(); ++k) {
      const auto [type, attributes] = Expected(row.params[k]);
      EXPECT_EQ(method.params[k].name, row.params[k].name) << row.name;
      EXPECT_EQ(method.params[k].type, type) << row.name << " " << row.params[k].name;
      EXPECT_EQ(method.params[k].attributes, attributes) << row.name << " " << row.params[k].name;
    }
  }
}

TEST_F(IdlMatchesTableTest, InterfaceFollowsIUnknownAndIsDualAutomation) {
  const std::regex header(
      R"(\[\s*uuid\([^)]*\)\s*,\s*version\(0\.0\)\s*,\s*helpstring\("Interface for LumetraCOM Object"\)\s*,)"
      R"(\s*dual\s*,\s*oleautomation\s*\]\s*interface\s+ILumetraCOM\s*:\s*IUnknown\b)");
  EXPECT_TRUE(std::regex_search(idl_, header));
}

TEST_F(IdlMatchesTableTest, LibraryAndClass) {
  EXPECT_TRUE(std::regex_search(idl_, std::regex(R"(version\(1\.0\)\s*,\s*lcid\(0x409\)\s*\]\s*library\s+Lumetra\b)")));
  EXPECT_TRUE(std::regex_search(idl_, std::regex(R"(importlib\("stdole2\.tlb"\))")));
  EXPECT_TRUE(std::regex_search(
      idl_,
      std::regex(
          R"(helpstring\("LumetraCOM"\)\s*\]\s*coclass\s+LumetraCOM\s*\{\s*\[default\]\s*interface\s+ILumetraCOM\s*;)")));
}

}  // namespace
}  // namespace lumetra
