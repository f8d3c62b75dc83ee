// The sockets layer: the few Windows Sockets 1.1 calls that nettell makes,
// with their standard names, behaviour and error codes.
//
// Everything sits in namespace sockets so that none of it stands in for the
// C library's functions of the same names. sockets_posix.cc provides the
// layer over the C library's resolver; the tests link a scripted one in its
// place. No function here prints.
#ifndef NETTELL_SOCKETS_SOCKETS_H
#define NETTELL_SOCKETS_SOCKETS_H

namespace sockets {

// Error codes of the Windows Sockets standard that nettell names.
enum {
  WSAEINTR = 10004,
  WSAEFAULT = 10014,
  WSAEINVAL = 10022,
  WSAEMFILE = 10024,
  WSAEINPROGRESS = 10036,
  WSAEAFNOSUPPORT = 10047,
  WSAENETDOWN = 10050,
  WSAENETUNREACH = 10051,
  WSAENOBUFS = 10055,
  WSAETIMEDOUT = 10060,
  WSAECONNREFUSED = 10061,
  WSAEHOSTUNREACH = 10065,
  WSASYSNOTREADY = 10091,
  WSAVERNOTSUPPORTED = 10092,
  WSANOTINITIALISED = 10093,
  WSAHOST_NOT_FOUND = 11001,
  WSATRY_AGAIN = 11002,
  WSANO_RECOVERY = 11003,
  WSANO_DATA = 11004,
};

// The value of AF_INET, the IPv4 address family. The C library defines
// AF_INET as a macro, so the layer's own name for it differs.
enum { FamilyInet = 2 };

enum { WSADESCRIPTION_LEN = 256, WSASYS_STATUS_LEN = 128 };

// What WSAStartup tells about the layer. Versions keep the major number in
// the low byte and the minor number in the high byte: 0x0101 is 1.1.
struct WSADATA {
  unsigned short wVersion;
  unsigned short wHighVersion;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
};

// A host record. h_addr_list holds four-byte IPv4 addresses in network byte
// order. Both lists end with a null entry; h_name may be null.
struct hostent {
  char* h_name;
  char** h_aliases;
  short h_addrtype;
  short h_length;
  char** h_addr_list;
};

// An IPv4 address as four bytes in network byte order.
struct in_addr {
  unsigned char s_bytes[4];
};

// Starts the layer for the version asked for. Returns 0 and fills data on
// success; returns WSAVERNOTSUPPORTED for a version below 1.1 and WSAEFAULT
// for a null data. The result is the error code; WSAGetLastError is not set.
int WSAStartup(unsigned short versionRequested, WSADATA* data);

// Releases one start-up. Returns 0, or -1 with WSANOTINITIALISED as the last
// error when the layer was not started.
int WSACleanup();

// The code of the last failed call of this layer.
int WSAGetLastError();

// Looks up the IPv4 addresses of name. Returns the record, owned by the layer
// and valid until the next lookup, or null with the last error set.
hostent* gethostbyname(const char* name);

// Looks up the official name and aliases of an address of length bytes in
// family type. Returns the record as gethostbyname does, or null with the
// last error set.
hostent* gethostbyaddr(const char* address, int length, int type);

// Copies the local machine's name, NUL-terminated, into name, which holds
// length bytes. Returns 0, or -1 with the last error set.
int gethostname(char* name, int length);

// The address as dotted decimal text, in storage of the layer's that stays
// valid until the next call.
char* inet_ntoa(in_addr address);

}  // namespace sockets

#endif
