#include "setpoints/type_codes.h"

namespace kvx {

bool IsListTypeCode(int c) {
  return c == 6 || c == 7 || (c >= 9 && c <= 21) || (c >= 25 && c <= 27) || c == 29 || c == 33 ||
         c == 34 || c == 37 || c == 38 || (c >= 40 && c <= 43) || (c >= 60 && c <= 77) ||
         (c >= 79 && c <= 85) || (c >= 95 && c <= 97) || c == 312 || c == 313 || c == 315 ||
         c == 338 || (c >= 361 && c <= 363) || c == 371 || c == 377;
}

TypeCodeInfo DescribeTypeCode(int c) {
  using R = ReadForm;
  using W = WriteForm;
  using D = DisplayForm;
  switch (c) {
    case 1:
      return {2, R::Float, W::Float, D::Number};
    case 2:
      return {2, R::Int32, W::Int32, D::Number};
    case 3:
      return {1, R::Unsigned, W::Unsigned, D::Unchanged};
    case 4:
      return {0, R::None, W::None, D::Number};
    case 22:
      return {10, R::Text, W::Text, D::Unchanged};
    case 23:
      return {2, R::Date, W::None, D::Date};
    case 24:
      return {0, R::None, W::None, D::Time};
    case 28:
    case 30:
      return {1, R::Unsigned, W::None, D::Error};
    case 31:
      return {10, R::None, W::Text, D::Error};
    case 35:
    case 36:
      return {1, R::Unsigned, W::None, D::OptionList};
    case 78:
      return {0, R::None, W::None, D::OptionList};
    default:
      break;
  }
  if ((c >= 45 && c <= 59) || (c >= 345 && c <= 359)) return {0, R::None, W::None, D::FlagNames};
  if (IsListTypeCode(c)) return {1, R::Unsigned, W::Unsigned, D::OptionList};
  return {0, R::None, W::None, D::Error};
}

}  // namespace kvx
