#include "run/run.h"

#include <string.h>

#include "console/console.h"
#include "report/report.h"
#include "sockets/sockets.h"

namespace {

// Windows Sockets 1.1: major version in the low byte, minor in the high.
const unsigned short RequestedVersion = 0x0101;

const char ExampleHost[] = "fileserver";

void PrintUsage() {
  ConsolePrint("usage: nettell [HostName | HostAddress | /v | /?]\r\n");
  ConsolePrint("  e.g.1 nettell %s\r\n  e.g.2 nettell 123.45.678.90\r\n", ExampleHost);
  ConsolePrint("Note: \"/v\" selects verbose output, detailing sockets calls and results.\r\n");
  ConsolePrint("      \"/?\" displays the sockets version number and state.\r\n");
}

// Case folding by plain ASCII rules, whatever the locale.
char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The whole argument, case-sensitively.
int IsWholeArgument(const char* argument, const char* option) {
  return strcmp(argument, option) == 0;
}

// The first two bytes, letters folded; a shorter argument never matches.
int HasPrefix(const char* argument, const char* option) {
  return argument[0] != '\0' && argument[1] != '\0' && FoldCase(argument[0]) == option[0] &&
         FoldCase(argument[1]) == option[1];
}

int IsVerboseOption(const char* argument) {
  return HasPrefix(argument, "/v") || HasPrefix(argument, "-v");
}

int IsStatusOption(const char* argument) {
  return IsWholeArgument(argument, "?") || IsWholeArgument(argument, "/?") ||
         IsWholeArgument(argument, "-?") || HasPrefix(argument, "/h") || HasPrefix(argument, "-h");
}

// The first argument that is not an option, or null.
char* FindTarget(int count, char** arguments) {
  for (int i = 0; i < count; ++i) {
    if (!IsVerboseOption(arguments[i]) && !IsStatusOption(arguments[i])) return arguments[i];
  }
  return nullptr;
}

// Looks up the target, or the local machine's name when there is none.
int LookUp(char* target) {
  char LocalName[256];
  if (target == nullptr) {
    ConsolePrint("\nLocal name:");
    // The last byte stays a terminator whatever the layer writes.
    LocalName[sizeof LocalName - 1] = '\0';
    if (sockets::gethostname(LocalName, sizeof LocalName - 1) != 0) {
      ConsolePrint("No local name\n");
      return ExitFailure;
    }
    return LookupHostName(LocalName) ? ExitOk : ExitStatusFor(sockets::WSAGetLastError());
  }
  // A dotted address asks for the host's names, anything else for its addresses.
  int found = IsHostAddress(target) ? LookupHostAddress(target) : LookupHostName(target);
  return found ? ExitOk : ExitStatusFor(sockets::WSAGetLastError());
}

}  // namespace

int ExitStatusFor(int code) {
  if (code == sockets::WSAHOST_NOT_FOUND || code == sockets::WSANO_DATA) return ExitNotFound;
  if (code == sockets::WSATRY_AGAIN) return ExitTryAgain;
  return ExitFailure;
}

int RunNettell(int argc, char** argv) {
  // Everything after the program's name; an empty vector has nothing.
  int count = argc > 1 ? argc - 1 : 0;
  char** arguments = argv + 1;

  if (count == 0) PrintUsage();

  Verbose = 0;
  for (int i = 0; i < count; ++i) {
    if (IsVerboseOption(arguments[i])) {
      Verbose = 1;
      ConsolePrint("Verbose mode\r\n");
      break;
    }
  }

  sockets::WSADATA SocketData;
  int started = sockets::WSAStartup(RequestedVersion, &SocketData);
  if (started != 0) {
    ConsolePrint("WSAStartup failed: ");
    ReportSocketError(started);
    return ExitFailure;
  }
  if (Verbose)
    ConsolePrint("WSAStartup( %d, &SocketData ) returned 0 (success)\r\n", RequestedVersion);

  int statusOnly = 0;
  for (int i = 0; i < count; ++i) {
    if (IsStatusOption(arguments[i])) {
      ConsolePrint("%s\r\nStatus: %s\r\n", SocketData.szDescription, SocketData.szSystemStatus);
      statusOnly = count == 1;
      break;
    }
  }

  int status = statusOnly ? ExitOk : LookUp(FindTarget(count, arguments));

  if (sockets::WSACleanup() != 0) {
    ConsolePrint("WSACleanup failed: ");
    ReportSocketError(sockets::WSAGetLastError());
    // A lookup's own failure says more than the release's.
    if (status == ExitOk) status = ExitFailure;
  } else if (Verbose) {
    ConsolePrint("WSACleanup() returned 0 (success)\r\n");
  }
  return status;
}
