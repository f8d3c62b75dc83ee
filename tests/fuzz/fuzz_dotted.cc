// Fuzz target: the address-form test and the dotted-text parse.
//
// Besides running them on any bytes, it checks the parse against the C
// library's sscanf with "%d.%d.%d.%d" wherever that is defined, that is
// where no number has more digits than an int can hold.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "report/report.h"

namespace {

bool HasLongDigitRun(const std::string& text) {
  int run = 0;
  for (char c : text) {
    run = (c >= '0' && c <= '9') ? run + 1 : 0;
    if (run > 9) return true;
  }
  return false;
}

bool HasAsciiLetter(const std::string& text) {
  for (char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The text ends at its first NUL, as an argument would.
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.c_str();

  if (IsHostAddress(text.c_str()) != !HasAsciiLetter(text)) abort();

  int numbers[4];
  int count = ParseDottedText(text.c_str(), numbers);
  if (count < 0 || count > 4) abort();
  for (int i = count; i < 4; ++i) {
    if (numbers[i] != 0) abort();
  }

  if (!HasLongDigitRun(text)) {
    int expected[4] = {0, 0, 0, 0};
    int scanned =
        sscanf(text.c_str(), "%d.%d.%d.%d", &expected[0], &expected[1], &expected[2], &expected[3]);
    if (scanned < 0) scanned = 0;  // EOF before the first number
    if (scanned != count || memcmp(expected, numbers, sizeof numbers) != 0) abort();
  }
  return 0;
}
