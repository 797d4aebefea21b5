#include "report/decimalseparator.h"

#include <langinfo.h>
#include <locale.h>

namespace ovalon {

namespace {

std::string LocaleDecimalSeparator() {
  locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return ".";
  const char* radix = nl_langinfo_l(RADIXCHAR, locale);
  std::string separator = (radix != nullptr && radix[0] != '\0') ? radix : ".";
  freelocale(locale);
  return separator;
}

std::string& Separator() {
  static std::string separator = LocaleDecimalSeparator();
  return separator;
}

}  // namespace

std::string DecimalSeparator() { return Separator(); }

void SetDecimalSeparator(const std::string& separator) { Separator() = separator; }

void SetDecimalSeparatorFromLocale() { Separator() = LocaleDecimalSeparator(); }

void SetDecimalSeparatorAfterParsing(bool numbersParsed) {
  if (numbersParsed) Separator() = ".";
}

}  // namespace ovalon
