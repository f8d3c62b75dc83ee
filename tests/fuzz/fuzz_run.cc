// Fuzz target: a whole run, in-process, against the scripted sockets layer.
// The input decodes into an argument vector and the layer's answers: start-up
// and release results, local name, and a lookup's official name, aliases and
// addresses of any length and bytes, or its failure with any code.
//
// After each run it checks what must always hold:
//   - every line feed in the output follows a carriage return;
//   - a successful lookup prints the count of what it was given;
//   - an argument is blanked only by a successful lookup, and only to spaces;
//   - a layer that started is released exactly once, one that did not never.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "run/run.h"
#include "scripted_sockets.h"
#include "test_support.h"

namespace {

int ResultFrom(FuzzedDataProvider& input) {
  return input.ConsumeBool() ? 0 : input.ConsumeIntegral<int>();
}

SocketScript ScriptFrom(FuzzedDataProvider& input) {
  SocketScript script;
  script.startupResult = input.ConsumeIntegralInRange(0, 3) == 0 ? input.ConsumeIntegral<int>() : 0;
  script.description = input.ConsumeRandomLengthString(300);
  script.status = input.ConsumeRandomLengthString(200);
  script.cleanupResult = input.ConsumeIntegralInRange(0, 3) == 0 ? ResultFrom(input) : 0;
  script.cleanupError = input.ConsumeIntegral<int>();
  script.hostnameResult = input.ConsumeIntegralInRange(0, 7) == 0 ? -1 : 0;
  script.localName = input.ConsumeRandomLengthString(300);
  ScriptedAnswer& answer = script.answer;
  answer.found = input.ConsumeIntegralInRange(0, 3) != 0;
  answer.error = input.ConsumeIntegral<int>();
  answer.hasName = input.ConsumeBool();
  answer.name = input.ConsumeRandomLengthString(300);
  answer.aliases.resize(input.ConsumeIntegralInRange<size_t>(0, 40));
  for (auto& alias : answer.aliases) alias = input.ConsumeRandomLengthString(80);
  answer.addresses.resize(input.ConsumeIntegralInRange<size_t>(0, 300));
  for (auto& address : answer.addresses) {
    for (auto& byte : address) byte = input.ConsumeIntegral<unsigned char>();
  }
  return script;
}

size_t Count(const std::vector<std::string>& calls, const std::string& prefix) {
  size_t count = 0;
  for (const auto& call : calls) count += call.compare(0, prefix.size(), prefix) == 0;
  return count;
}

bool AllSpaces(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  SocketScript script = ScriptFrom(input);
  std::vector<std::string> arguments(input.ConsumeIntegralInRange<size_t>(0, 6));
  for (auto& argument : arguments) {
    argument = input.ConsumeRandomLengthString(120);
    argument = argument.c_str();  // an argument ends at its first NUL
  }

  CapturedRun run = RunNettellWith(script, arguments);
  const std::string& printed = run.output;
  const std::vector<std::string>& calls = RecordedCalls();

  if (run.status < ExitOk || run.status > ExitFailure) abort();

  for (size_t at = printed.find('\n'); at != std::string::npos; at = printed.find('\n', at + 1)) {
    if (at == 0 || printed[at - 1] != '\r') abort();
  }

  size_t lookups = Count(calls, "gethostbyname(") + Count(calls, "gethostbyaddr(");
  bool found = lookups == 1 && script.answer.found;
  if (lookups > 1) abort();
  if (found) {
    bool forward = Count(calls, "gethostbyname(") == 1;
    size_t n = forward ? script.answer.addresses.size() : script.answer.aliases.size();
    std::string plural = forward ? (n > 1 ? "es" : "") : (n == 1 ? "" : "es");
    std::string phrase =
        "(" + std::to_string(n) + (forward ? " address" : " alias") + plural + ")\r\r\n";
    if (printed.find(phrase) == std::string::npos) abort();
  }

  size_t changed = 0;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& after = run.arguments[i];
    if (after == arguments[i]) continue;
    ++changed;
    if (!found || after.size() != arguments[i].size() || !AllSpaces(after)) abort();
  }
  if (changed > 1) abort();

  size_t startups = Count(calls, "WSAStartup(");
  size_t releases = Count(calls, "WSACleanup(");
  if (startups != 1) abort();
  if (releases != (script.startupResult == 0 ? 1u : 0u)) abort();
  return 0;
}
