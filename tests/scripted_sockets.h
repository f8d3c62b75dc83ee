// A sockets layer for tests: it plays back scripted answers and records
// every call it is asked to make. Linked in place of the real layer.
#ifndef NETTELL_TESTS_SCRIPTED_SOCKETS_H
#define NETTELL_TESTS_SCRIPTED_SOCKETS_H

#include <array>
#include <string>
#include <vector>

// The answer to the next gethostbyname or gethostbyaddr.
struct ScriptedAnswer {
  bool found = true;
  int error = 0;        // the last error when not found
  bool hasName = true;  // false: h_name is null
  std::string name = "fileserver";
  std::vector<std::string> aliases;
  std::vector<std::array<unsigned char, 4>> addresses = {{10, 0, 0, 7}};
};

// An answer that fails with the sockets error code.
inline ScriptedAnswer FailedAnswer(int code) {
  ScriptedAnswer answer;
  answer.found = false;
  answer.error = code;
  return answer;
}

struct SocketScript {
  int startupResult = 0;
  std::string description = "Scripted sockets 1.1";
  std::string status = "Ready";
  int cleanupResult = 0;
  int cleanupError = 0;
  int hostnameResult = 0;
  int hostnameError = 0;
  std::string localName = "fileserver";
  ScriptedAnswer answer;
};

// Replaces the script and forgets the calls recorded so far.
void PlayScript(const SocketScript& script);

// The calls made since PlayScript, one text each, such as "WSAStartup(257)",
// "gethostbyname(fileserver)", "gethostbyaddr(123.45.166.90,4,2)",
// "gethostname(255)" and "WSACleanup()".
const std::vector<std::string>& RecordedCalls();

// The record reference the last successful lookup returned, as the trace
// lines print it.
long long ScriptedRecordReference();

#endif
