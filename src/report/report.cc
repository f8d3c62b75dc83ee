#include "report/report.h"

#include <stdint.h>
#include <string.h>

#include "console/console.h"
#include "sockets/sockets.h"

int Verbose = 0;

namespace {

struct ErrorMessage {
  int code;
  const char* text;
};

// The standard's messages, each with the line break it carries, or none.
const ErrorMessage errorMessages[] = {
    {sockets::WSAEINTR, "The (blocking) call was canceled using WSACancelBlockingCall.\n"},
    {sockets::WSAEINVAL,
     "The Windows Sockets version specified by the application is not supported by this DLL."},
    {sockets::WSAEINPROGRESS, "A blocking Windows Sockets operation is in progress.\n"},
    {sockets::WSAENETDOWN, "Network failure\n"},
    {sockets::WSASYSNOTREADY,
     "The underlying network subsystem is not ready for network communication."},
    {sockets::WSAVERNOTSUPPORTED,
     "The version of Windows Sockets support requested is not provided by this particular "
     "Windows Sockets implementation."},
    {sockets::WSANOTINITIALISED,
     "A successful WSAStartup must occur before using this function.\n"},
    {sockets::WSAHOST_NOT_FOUND, "Host not found\n"},
    {sockets::WSATRY_AGAIN, "Non-Authoritative Host not found, or SERVERFAIL.\n"},
    {sockets::WSANO_RECOVERY, "Nonrecoverable errors: FORMERR, REFUSED, NOTIMP.\n"},
    {sockets::WSANO_DATA, "Valid name, no data record of requested type.\n"},
};

int IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

int IsSpace(unsigned char c) { return c == ' ' || (c >= 9 && c <= 13); }

int IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// The trace lines show the record's reference as a signed number that is 0
// only when there is no record; the full pointer width keeps a real
// reference from truncating to 0.
long long Reference(const sockets::hostent* host) {
  return static_cast<long long>(reinterpret_cast<intptr_t>(host));
}

// Turns the target into an indent of its own width.
void Blank(char* text) { memset(text, ' ', strlen(text)); }

// Reads one number at text, as %d does. Returns where it ended, or null
// when no digit was there.
const char* ParseNumber(const char* text, int* number) {
  while (IsSpace(static_cast<unsigned char>(*text))) ++text;
  int negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  if (!IsDigit(static_cast<unsigned char>(*text))) return nullptr;
  // Unsigned arithmetic wraps modulo 2^32 by definition.
  uint32_t value = 0;
  while (IsDigit(static_cast<unsigned char>(*text)))
    value = value * 10 + static_cast<uint32_t>(*text++ - '0');
  if (negative) value = 0 - value;
  *number = static_cast<int32_t>(value);
  return text;
}

}  // namespace

int IsHostAddress(const char* text) {
  for (; *text != '\0'; ++text) {
    if (IsAsciiLetter(static_cast<unsigned char>(*text))) return 0;
  }
  return 1;
}

int ParseDottedText(const char* text, int numbers[4]) {
  int count = 0;
  for (int i = 0; i < 4; ++i) numbers[i] = 0;
  while (count < 4) {
    if (count > 0 && *text++ != '.') break;
    text = ParseNumber(text, &numbers[count]);
    if (text == nullptr) break;
    ++count;
  }
  return count;
}

int LookupHostName(char* text) {
  sockets::hostent* host = sockets::gethostbyname(text);
  if (Verbose) ConsolePrint("gethostbyname( \"%s\" ) returned address %lld", text, Reference(host));
  ConsolePrint("\r\n%s -> ", text);
  if (host == nullptr) {
    ReportSocketError(sockets::WSAGetLastError());
    return 0;
  }

  Blank(text);
  int count = 0;
  for (char** entry = host->h_addr_list; entry != nullptr && *entry != nullptr; ++entry, ++count) {
    sockets::in_addr address;
    memcpy(address.s_bytes, *entry, sizeof address.s_bytes);
    const char* dotted = sockets::inet_ntoa(address);
    if (count == 0) {
      ConsolePrint("%s%s%s ", "", "", dotted);
    } else {
      ConsolePrint("%s%s%s ", "\r\n    ", text, dotted);
    }
  }
  ConsolePrint("(%d address%s)\r\n", count, count > 1 ? "es" : "");
  return 1;
}

int LookupHostAddress(char* text) {
  int numbers[4];
  ParseDottedText(text, numbers);
  char query[4];
  for (int i = 0; i < 4; ++i) query[i] = static_cast<char>(numbers[i] & 0xff);

  sockets::hostent* host = sockets::gethostbyaddr(query, 4, sockets::FamilyInet);
  if (Verbose) {
    ConsolePrint("gethostbyaddr( \"%d.%d.%d.%d\", 4, PF_INET ) returned address %lld", numbers[0],
                 numbers[1], numbers[2], numbers[3], Reference(host));
  }
  ConsolePrint("\r\n%s -> ", text);
  if (host == nullptr) {
    ReportSocketError(sockets::WSAGetLastError());
    return 0;
  }

  if (host->h_name != nullptr) ConsolePrint("%s ", host->h_name);
  Blank(text);
  int count = 0;
  for (char** alias = host->h_aliases; alias != nullptr && *alias != nullptr; ++alias, ++count) {
    ConsolePrint("\r\n%s    %s ", text, *alias);
  }
  ConsolePrint("(%d alias%s)\r\n", count, count == 1 ? "" : "es");
  return 1;
}

void ReportSocketError(int code) {
  for (const ErrorMessage& message : errorMessages) {
    if (message.code == code) {
      ConsolePrint("%s", message.text);
      return;
    }
  }
  ConsolePrint("Unknown Winsock error: %d\n", code);
}
