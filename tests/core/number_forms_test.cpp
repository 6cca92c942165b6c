#include <gtest/gtest.h>

#include <string>

#include "core/number_forms.h"

namespace zorvan {
namespace {

TEST(NumberForms, GeneralAndShortForms) {
  struct Row {
    float value;
    const char16_t* general;
    const char16_t* shortForm;
  };
  const Row rows[] = {
      {0.0f, u"0", u"0"},
      {2.0f, u"2", u"2"},
      {0.5f, u"0.5", u".5"},
      {1.5f, u"1.5", u"1.5"},
      {0.25f, u"0.25", u".25"},
      {18.01528f, u"18.01528", u"18.01528"},
      {60.05256f, u"60.05256", u"60.05256"},
      {0.1f, u"0.1", u".1"},
      {1234567.0f, u"1234567", u"1234567"},
      {9999999.0f, u"9999999", u"9999999"},
      {16777216.0f, u"1.677722E+07", u"1.677722E+07"},
      {100000000.0f, u"1E+08", u"1E+08"},
      {9999999.5f, u"1E+07", u"1E+07"},  // rounds up into the next decade
      {0.0001f, u"0.0001", u".0001"},
      {0.00001f, u"1E-05", u"1E-05"},
      {0.000123456789f, u"0.0001234568", u".0001234568"},  // exponent -4 stays fixed
      {3.4028235e38f, u"3.402823E+38", u"3.402823E+38"},
      {1e-40f, u"9.999946E-41", u"9.999946E-41"},  // subnormal: the float nearest 1e-40
      {-2.5f, u"-2.5", u"-2.5"},
      {-0.5f, u"-0.5", u"-.5"},
      {123.4567891f, u"123.4568", u"123.4568"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(GeneralNumber(row.value), row.general);
    EXPECT_EQ(ShortNumber(row.value), row.shortForm);
  }
  EXPECT_EQ(GeneralNumber(18.01528f, u','), u"18,01528");
  EXPECT_EQ(GeneralNumber(1.5e-7f, u','), u"1,5E-07");
}

TEST(NumberForms, PercentField) {
  struct Row {
    float fraction;
    const char16_t* field;
  };
  const Row rows[] = {
      {0.05f, u"  5.00%"},   {0.1119f, u" 11.19%"}, {1.0f, u"100.00%"},
      {0.0f, u"  0.00%"},    {0.00004f, u"  0.00%"}, {0.99999f, u"100.00%"},
      {0.5328f, u" 53.28%"}, {12.5f, u"1250.00%"},  {-0.5f, u"-50.00%"},
      {0.03125f, u"  3.12%"},  // an exact tie rounds to even
      {0.03375f, u"  3.38%"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fraction);
    EXPECT_EQ(PercentField(row.fraction), row.field);
  }
  EXPECT_EQ(PercentField(0.1119f, u','), u" 11,19%");
}

}  // namespace
}  // namespace zorvan
