// The sockets layer over the C library's hostent resolver.
//
// Lookups go to gethostbyname and gethostbyaddr, so they ask the host
// database exactly as the C library's own tools do, through the name service
// switch: IPv4 addresses in the order the database gives them, the official
// name with every alias, and the resolver's own class for a failure.
#include "sockets/sockets.h"

#include <errno.h>
#include <netdb.h>
#include <string.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <gnu/libc-version.h>
#endif

#include "sockets/resolver_error.h"

#ifndef NETTELL_VERSION
#define NETTELL_VERSION "0"
#endif

namespace sockets {
namespace {

int startups = 0;  // WSAStartup calls not yet matched by WSACleanup
int lastError = 0;
hostent record;  // the layer's copy of the C library's last answer

struct ErrorPair {
  int system;
  int code;
};

const ErrorPair systemErrors[] = {
    {EINTR, WSAEINTR},
    {EFAULT, WSAEFAULT},
    {EINVAL, WSAEINVAL},
    {EMFILE, WSAEMFILE},
    {ENFILE, WSAEMFILE},
    {EAFNOSUPPORT, WSAEAFNOSUPPORT},
    {ENETDOWN, WSAENETDOWN},
    {ENETUNREACH, WSAENETUNREACH},
    {ENOBUFS, WSAENOBUFS},
    {ENOMEM, WSAENOBUFS},
    {ETIMEDOUT, WSAETIMEDOUT},
    {ECONNREFUSED, WSAECONNREFUSED},
    {EHOSTUNREACH, WSAEHOSTUNREACH},
    {EAGAIN, WSATRY_AGAIN},
};

hostent* FailLookup(int code) {
  lastError = code;
  return nullptr;
}

int FailCall(int code) {
  lastError = code;
  return -1;
}

// Keeps the C library's answer, or names its failure. Must run before
// anything else can change h_errno or errno.
hostent* Answer(::hostent* found) {
  if (found == nullptr) return FailLookup(ResolverErrorCode(h_errno, errno));
  record.h_name = found->h_name;
  record.h_aliases = found->h_aliases;
  record.h_addrtype = static_cast<short>(found->h_addrtype);
  record.h_length = static_cast<short>(found->h_length);
  record.h_addr_list = found->h_addr_list;
  return &record;
}

// Appends text to the NUL-terminated string in buffer of size bytes,
// cutting it short rather than overrunning.
void Append(char* buffer, int size, const char* text) {
  int length = static_cast<int>(strlen(buffer));
  while (*text != '\0' && length < size - 1) buffer[length++] = *text++;
  buffer[length] = '\0';
}

const char* LibraryName() {
#if defined(__GLIBC__)
  return "GNU C Library ";
#else
  return "C library";
#endif
}

const char* LibraryVersion() {
#if defined(__GLIBC__)
  return gnu_get_libc_version();
#else
  return "";
#endif
}

}  // namespace

int SystemErrorCode(int systemError) {
  for (const ErrorPair& pair : systemErrors) {
    if (pair.system == systemError) return pair.code;
  }
  return WSAENETDOWN;
}

int ResolverErrorCode(int hostError, int systemError) {
  switch (hostError) {
    case HOST_NOT_FOUND:
      return WSAHOST_NOT_FOUND;
    case TRY_AGAIN:
      return WSATRY_AGAIN;
    case NO_DATA:
      return WSANO_DATA;
    case NETDB_INTERNAL:
      return SystemErrorCode(systemError);
    // NO_RECOVERY, and a failure that came without any class at all.
    default:
      return WSANO_RECOVERY;
  }
}

int WSAStartup(unsigned short versionRequested, WSADATA* data) {
  int major = versionRequested & 0xff;
  int minor = versionRequested >> 8;
  if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
  if (data == nullptr) return WSAEFAULT;

  // Version 1.1 is the only one there is; a later request is answered
  // with 1.1, as the standard negotiates.
  data->wVersion = 0x0101;
  data->wHighVersion = 0x0101;
  data->szDescription[0] = '\0';
  Append(data->szDescription, sizeof data->szDescription,
         "nettell " NETTELL_VERSION " sockets 1.1 on the ");
  Append(data->szDescription, sizeof data->szDescription, LibraryName());
  Append(data->szDescription, sizeof data->szDescription, LibraryVersion());
  data->szSystemStatus[0] = '\0';
  Append(data->szSystemStatus, sizeof data->szSystemStatus,
         "Running, host lookups through the C library's resolver");
  ++startups;
  return 0;
}

int WSACleanup() {
  if (startups == 0) return FailCall(WSANOTINITIALISED);
  --startups;
  return 0;
}

int WSAGetLastError() { return lastError; }

hostent* gethostbyname(const char* name) {
  if (startups == 0) return FailLookup(WSANOTINITIALISED);
  if (name == nullptr) return FailLookup(WSAEFAULT);
  return Answer(::gethostbyname(name));
}

hostent* gethostbyaddr(const char* address, int length, int type) {
  if (startups == 0) return FailLookup(WSANOTINITIALISED);
  if (type != FamilyInet) return FailLookup(WSAEAFNOSUPPORT);
  if (address == nullptr || length != 4) return FailLookup(WSAEFAULT);
  return Answer(::gethostbyaddr(address, 4, AF_INET));
}

int gethostname(char* name, int length) {
  if (startups == 0) return FailCall(WSANOTINITIALISED);
  if (name == nullptr || length <= 0) return FailCall(WSAEFAULT);
  if (::gethostname(name, static_cast<size_t>(length)) != 0) {
    return FailCall(errno == ENAMETOOLONG ? WSAEFAULT : SystemErrorCode(errno));
  }
  // A name that fills the buffer may come back without its terminator.
  name[length - 1] = '\0';
  return 0;
}

char* inet_ntoa(in_addr address) {
  static char text[sizeof "255.255.255.255"];
  char* out = text;
  for (int i = 0; i < 4; ++i) {
    unsigned value = address.s_bytes[i];
    if (i > 0) *out++ = '.';
    if (value >= 100) *out++ = static_cast<char>('0' + value / 100);
    if (value >= 10) *out++ = static_cast<char>('0' + value / 10 % 10);
    *out++ = static_cast<char>('0' + value % 10);
  }
  *out = '\0';
  return text;
}

}  // namespace sockets
