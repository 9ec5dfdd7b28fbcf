// Numbers, and dates and times. Date-time values count days from 30 December 1899; the fraction is the time of day.
#include <cmath>
#include <cstdlib>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/param.h"
#include "expr/sys_func_groups.h"
#include "expr/sys_func_man.h"
#include "expr/value_convert.h"

namespace velk {

namespace {

// Days from 1 January 1970 of a civil date (proleptic Gregorian), and back.
int64_t days_from_civil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civil_from_days(int64_t z, int32_t& y, int32_t& m, int32_t& d) {
  z += 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int32_t>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

// 30 December 1899 in days from 1970.
constexpr int64_t kEpoch = -25569;
// Dates are kept within years 1 .. 9999.
constexpr long double kMinDate = -693593.0L;
constexpr long double kMaxDate = 2958466.0L;

bool leap(int32_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int32_t days_in_month(int32_t y, int32_t m) {
  static const int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap(y) ? 29 : kDays[m - 1];
}

struct TDateParts {
  int32_t Year = 0, Month = 0, Day = 0, Hour = 0, Min = 0, Sec = 0, Week = 0;
};

// The parts of a date-time: the day is the whole part, the time the absolute fraction, to the millisecond.
TDateParts decode(long double t, const TFuncCall& c) {
  if (!std::isfinite(t) || t < kMinDate || t >= kMaxDate) {
    throw EVelkError(c.Name() + Utf8ToCp932(":日付が不正です"));
  }
  TDateParts p;
  long double whole = std::trunc(t);
  auto ms = static_cast<int64_t>(std::llround(std::fabs(t - whole) * 86400000.0L));
  if (ms >= 86400000) ms = 86399999;
  auto days = static_cast<int64_t>(whole) + kEpoch;
  civil_from_days(days, p.Year, p.Month, p.Day);
  p.Hour = static_cast<int32_t>(ms / 3600000);
  p.Min = static_cast<int32_t>(ms / 60000 % 60);
  p.Sec = static_cast<int32_t>(ms / 1000 % 60);
  // 1 January 1970 was a Thursday; 1 = Sunday.
  p.Week = static_cast<int32_t>(((days + 4) % 7 + 7) % 7) + 1;
  return p;
}

long double encode_date(const TFuncCall& c) {
  int32_t y = c.Arg(0).GetInt(), m = c.Arg(1).GetInt(), d = c.Arg(2).GetInt();
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > days_in_month(y, m)) {
    throw EVelkError(c.Name() + Utf8ToCp932(":日付が不正です"));
  }
  return static_cast<long double>(days_from_civil(y, m, d) - kEpoch);
}

long double encode_time(const TFuncCall& c) {
  int32_t h = c.Arg(0).GetInt(), m = c.Arg(1).GetInt(), s = c.Arg(2).GetInt();
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) {
    throw EVelkError(c.Name() + Utf8ToCp932(":時刻が不正です"));
  }
  return (h * 3600 + m * 60 + s) / 86400.0L;
}

}  // namespace

bool CallNumberFunc(const TFuncCall& c) {
  TCustomParam& t = c.Target;
  auto f = [&](size_t i) { return c.Arg(i).GetFloat(); };
  auto n = [&](size_t i) { return c.Arg(i).GetInt(); };
  switch (c.Number) {
    case 26: {  // Random: a uniform integer in 0 .. n - 1; 0 when n is below 1
      int32_t range = n(0);
      t.SetInt(range <= 1 ? 0 : std::uniform_int_distribution<int32_t>(0, range - 1)(c.Man.Random()));
      return true;
    }
    case 37: t.SetInt(FloatToInt(f(0))); return true;
    case 38: t.SetFloat(f(0)); return true;
    case 39: t.SetFloat(std::sin(f(0))); return true;
    case 40: t.SetFloat(std::cos(f(0))); return true;
    case 41: t.SetFloat(std::tan(f(0))); return true;
    case 42: t.SetFloat(std::asin(f(0))); return true;
    case 43: t.SetFloat(std::acos(f(0))); return true;
    case 44: t.SetFloat(std::atan(f(0))); return true;
    case 45: t.SetFloat(std::atan2(f(0), f(1))); return true;
    case 46: t.SetFloat(std::hypot(f(0), f(1))); return true;
    case 48: t.SetInt(n(0) == INT32_MIN ? INT32_MIN : std::abs(n(0))); return true;  // wraps as 32-bit integers do
    case 49: t.SetFloat(std::fabs(f(0))); return true;
    case 126: t.SetInt(std::min(n(0), n(1))); return true;
    case 127: t.SetInt(std::max(n(0), n(1))); return true;
    case 128: t.SetFloat(std::fmin(f(0), f(1))); return true;
    case 129: t.SetFloat(std::fmax(f(0), f(1))); return true;
    default: return false;
  }
}

bool CallDateFunc(const TFuncCall& c) {
  TCustomParam& t = c.Target;
  switch (c.Number) {
    case 51: t.SetFloat(encode_date(c)); return true;
    case 52: t.SetFloat(encode_time(c)); return true;
    case 53:
    case 54: {  // DecodeDate, DecodeTime (t, variable, variable, variable)
      TDateParts p = decode(c.Arg(0).GetFloat(), c);
      TCustomParam& a = c.Ref(1);
      TCustomParam& b = c.Ref(2);
      TCustomParam& d = c.Ref(3);
      bool date = c.Number == 53;
      a.SetInt(date ? p.Year : p.Hour);
      b.SetInt(date ? p.Month : p.Min);
      d.SetInt(date ? p.Day : p.Sec);
      t.SetInt(0);
      return true;
    }
    case 55: t.SetInt(decode(c.Arg(0).GetFloat(), c).Year); return true;
    case 56: t.SetInt(decode(c.Arg(0).GetFloat(), c).Month); return true;
    case 57: t.SetInt(decode(c.Arg(0).GetFloat(), c).Day); return true;
    case 58: t.SetInt(decode(c.Arg(0).GetFloat(), c).Hour); return true;
    case 59: t.SetInt(decode(c.Arg(0).GetFloat(), c).Min); return true;
    case 60: t.SetInt(decode(c.Arg(0).GetFloat(), c).Sec); return true;
    case 61: t.SetInt(decode(c.Arg(0).GetFloat(), c).Week); return true;
    case 62: {
      static const char* const kNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
      t.SetStr(kNames[decode(c.Arg(0).GetFloat(), c).Week - 1]);
      return true;
    }
    case 63: {
      static const std::string kNames[] = {Utf8ToCp932("日"), Utf8ToCp932("月"), Utf8ToCp932("火"), Utf8ToCp932("水"),
                                           Utf8ToCp932("木"), Utf8ToCp932("金"), Utf8ToCp932("土")};
      t.SetStr(kNames[decode(c.Arg(0).GetFloat(), c).Week - 1]);
      return true;
    }
    default: return false;
  }
}

}  // namespace velk
