// The conversion cases of conversion_cases.tsv through the native object. The
// Windows server runs the same table from script clients under Wine
// (tests/wine/test_conversions.sh), so the two builds cannot drift apart.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "lumetra/automation/lumetra_com.h"

namespace lumetra {
namespace {

struct ConversionCase {
  int line = 0;
  std::string observer;
  std::string kind;
  std::string literal;
  std::string expected;
};

std::ostream& operator<<(std::ostream& out, const ConversionCase& c) {
  return out << "line " << c.line << ": " << c.observer << " " << c.kind << " [" << c.literal << "]";
}

std::vector<ConversionCase> ReadCases() {
  std::ifstream in(LUMETRA_CONVERSION_CASES);
  std::vector<ConversionCase> cases;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> columns;
    std::stringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');) columns.push_back(field);
    if (columns.size() == 3) columns.push_back("");  // an expected text may not be empty, a literal may
    if (columns.size() != 4) {
      ADD_FAILURE() << "line " << number << " has " << columns.size() << " columns";
      continue;
    }
    cases.push_back({number, columns[0], columns[1], columns[2], columns[3]});
  }
  return cases;
}

class QuietReporter : public ErrorReporter {
 public:
  bool Report(const ErrorInfo& info) noexcept override {
    last = info;
    return true;
  }
  ErrorInfo last;
};

std::string Replace(std::string text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

// The value a script makes of the kind and literal (a VBScript variable reaches
// the server as a reference to a VARIANT, which the server reads through: the
// same value as the literal).
std::optional<Variant> MakeValue(const std::string& kind, const std::string& literal) {
  if (kind == "BStr") return Variant::String(FromUtf8(literal));
  if (kind == "Empty") return Variant();
  if (kind == "Null") return Variant::Null();
  if (kind == "Bool") return Variant::Bool(literal == "True");
  if (kind == "I2") return Variant::I2(static_cast<int16_t>(std::stoi(literal)));
  if (kind == "I4") return Variant::I4(std::stoi(literal));
  if (kind == "UI1") return Variant::UI1(static_cast<uint8_t>(std::stoi(literal)));
  if (kind == "R4") return Variant::R4(std::stof(literal));
  if (kind == "R8") return Variant::R8(std::stod(literal));
  if (kind == "Cy") return Variant::Currency(std::llround(std::stod(literal) * 10000));
  if (kind == "Date") return Variant::Date(std::stod(literal));
  return std::nullopt;
}

class ConversionCasesTest : public ::testing::Test {
 protected:
  Variant NewDocument(const WideString& text) {
    Variant doc;
    EXPECT_EQ(com_.JSONCreate(text, doc), kOk);
    return doc;
  }
  std::string Format(const Variant& doc) {
    WideString text;
    EXPECT_EQ(com_.JSONFormat(doc, text), kOk);
    return ToUtf8(text);
  }

  std::string Observe(const ConversionCase& c) {
    Variant pair;
    std::string literal = c.literal;
    if (c.observer == "handle") {
      const Variant doc = NewDocument(u"{\"k\":1}");
      EXPECT_EQ(com_.JSONGetPair(doc, 0, pair), kOk);
      literal = Replace(literal, "$p", std::to_string(pair.signed_value()));
    }
    const std::optional<Variant> value = MakeValue(c.kind, literal);
    if (!value) return "unknown kind " + c.kind;
    if (c.observer == "handle") {
      Variant key;
      if (com_.JSONGetPairKey(*value, key) != kOk) return "error|" + ToUtf8(reporter_.last.description);
      return std::to_string(key.type()) + "|" + ToUtf8(key.string_value());
    }
    const Variant doc = NewDocument(u"{}");
    if (c.observer == "number") {
      EXPECT_EQ(com_.JSONAddNodeAsNumber(doc, Variant::String(u"v"), *value), kOk);
    } else if (c.observer == "bool") {
      EXPECT_EQ(com_.JSONAddNodeAsBool(doc, Variant::String(u"v"), *value), kOk);
    } else if (c.observer == "text") {
      EXPECT_EQ(com_.JSONAddNodeAsBool(doc, *value, Variant::Bool(true)), kOk);
    } else {
      return "unknown observer " + c.observer;
    }
    return Format(doc);
  }

  QuietReporter reporter_;
  LumetraCOM com_{reporter_};
};

TEST_F(ConversionCasesTest, EveryCaseGivesItsExpectedResult) {
  const std::vector<ConversionCase> cases = ReadCases();
  ASSERT_GT(cases.size(), 50u) << "the table is not at " << LUMETRA_CONVERSION_CASES;
  for (const ConversionCase& c : cases) EXPECT_EQ(Observe(c), c.expected) << c;
}

}  // namespace
}  // namespace lumetra
