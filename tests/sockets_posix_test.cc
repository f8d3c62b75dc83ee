// The sockets layer over the C library: start-up and release, the error
// codes it gives, the local name and the dotted text. Lookups ask only for
// localhost and 127.0.0.1, which the hosts file answers.
#include <errno.h>
#include <gnu/libc-version.h>
#include <netdb.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "sockets/resolver_error.h"
#include "sockets/sockets.h"

namespace {

using sockets::FamilyInet;
using sockets::gethostbyaddr;
using sockets::gethostbyname;
using sockets::gethostname;
using sockets::hostent;
using sockets::in_addr;
using sockets::inet_ntoa;
using sockets::ResolverErrorCode;
using sockets::WSACleanup;
using sockets::WSADATA;
using sockets::WSAGetLastError;
using sockets::WSAStartup;
using namespace sockets;  // the error codes

// Starts the layer for one test and releases it afterwards.
class Started : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(0, WSAStartup(0x0101, &data)); }
  void TearDown() override { EXPECT_EQ(0, WSACleanup()); }
  WSADATA data;
};

TEST(WSAStartup, AcceptsVersionOnePointOneAndLater) {
  const struct {
    unsigned short requested;
    int result;
  } cases[] = {
      {0x0000, WSAVERNOTSUPPORTED},  // 0.0
      {0x0001, WSAVERNOTSUPPORTED},  // 1.0
      {0xff00, WSAVERNOTSUPPORTED},  // 0.255
      {0x0101, 0},                   // 1.1
      {0x0201, 0},                   // 1.2
      {0x0002, 0},                   // 2.0
      {0x0202, 0},                   // 2.2
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.requested);
    WSADATA data;
    memset(&data, 0x55, sizeof data);
    ASSERT_EQ(c.result, WSAStartup(c.requested, &data));
    if (c.result == 0) {
      EXPECT_EQ(0x0101, data.wVersion);
      EXPECT_EQ(0, WSACleanup());
    }
  }
  EXPECT_EQ(WSAEFAULT, WSAStartup(0x0101, nullptr));
}

TEST(WSAStartup, DescribesNettellAndTheCLibrary) {
  WSADATA data;
  memset(&data, 0x55, sizeof data);
  ASSERT_EQ(0, WSAStartup(0x0101, &data));
  EXPECT_EQ(0, WSACleanup());
  ASSERT_NE(nullptr, memchr(data.szDescription, '\0', sizeof data.szDescription));
  ASSERT_NE(nullptr, memchr(data.szSystemStatus, '\0', sizeof data.szSystemStatus));
  std::string description = data.szDescription;
  EXPECT_NE(std::string::npos, description.find("nettell " NETTELL_VERSION)) << description;
  EXPECT_NE(std::string::npos, description.find(gnu_get_libc_version())) << description;
  EXPECT_STRNE("", data.szSystemStatus);
}

TEST(WSACleanup, MatchesEachStartUpAndFailsWithoutOne) {
  WSADATA data;
  ASSERT_EQ(0, WSAStartup(0x0101, &data));
  ASSERT_EQ(0, WSAStartup(0x0101, &data));
  EXPECT_EQ(0, WSACleanup());
  EXPECT_EQ(0, WSACleanup());
  EXPECT_EQ(-1, WSACleanup());
  EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
}

TEST(Lookups, FailBeforeStartUp) {
  char name[64];
  EXPECT_EQ(nullptr, gethostbyname("localhost"));
  EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
  EXPECT_EQ(nullptr, gethostbyaddr("\x7f\0\0\x01", 4, FamilyInet));
  EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
  EXPECT_EQ(-1, gethostname(name, sizeof name));
  EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
}

TEST_F(Started, ForwardLookupGivesTheCLibrarysAddresses) {
  hostent* host = gethostbyname("localhost");
  ASSERT_NE(nullptr, host);
  ::hostent* expected = ::gethostbyname("localhost");
  ASSERT_NE(nullptr, expected);
  int i = 0;
  for (; expected->h_addr_list[i] != nullptr; ++i) {
    ASSERT_NE(nullptr, host->h_addr_list[i]);
    EXPECT_EQ(0, memcmp(expected->h_addr_list[i], host->h_addr_list[i], 4));
  }
  EXPECT_EQ(nullptr, host->h_addr_list[i]);
  EXPECT_EQ(4, host->h_length);
}

TEST_F(Started, ReverseLookupGivesNameAndAliases) {
  hostent* host = gethostbyaddr("\x7f\0\0\x01", 4, FamilyInet);
  ASSERT_NE(nullptr, host);
  ::hostent* expected = ::gethostbyaddr("\x7f\0\0\x01", 4, AF_INET);
  ASSERT_NE(nullptr, expected);
  EXPECT_STREQ(expected->h_name, host->h_name);
  int i = 0;
  for (; expected->h_aliases[i] != nullptr; ++i)
    EXPECT_STREQ(expected->h_aliases[i], host->h_aliases[i]);
  EXPECT_EQ(nullptr, host->h_aliases[i]);
}

TEST_F(Started, ReverseLookupTakesOnlyIPv4) {
  EXPECT_EQ(nullptr, gethostbyaddr("\x7f\0\0\x01", 4, 10));
  EXPECT_EQ(WSAEAFNOSUPPORT, WSAGetLastError());
  EXPECT_EQ(nullptr, gethostbyaddr("\x7f\0\0\x01", 3, FamilyInet));
  EXPECT_EQ(WSAEFAULT, WSAGetLastError());
}

TEST_F(Started, LocalNameIsAlwaysTerminatedInsideTheBuffer) {
  char expected[256];
  ASSERT_EQ(0, ::gethostname(expected, sizeof expected));
  const int length = static_cast<int>(strlen(expected));
  for (int size = 1; size <= length + 2; ++size) {
    SCOPED_TRACE(size);
    char name[260];
    memset(name, '#', sizeof name);
    if (gethostname(name, size) == 0) {
      EXPECT_NE(nullptr, memchr(name, '\0', static_cast<size_t>(size)));
      EXPECT_EQ(0, strncmp(expected, name, strlen(name)));
    } else {
      EXPECT_EQ(WSAEFAULT, WSAGetLastError());
    }
    EXPECT_EQ('#', name[size]) << "nothing is written past the given length";
  }
  char name[256];
  ASSERT_EQ(0, gethostname(name, sizeof name));
  EXPECT_STREQ(expected, name);
  EXPECT_EQ(-1, gethostname(name, 0));
  EXPECT_EQ(WSAEFAULT, WSAGetLastError());
}

TEST(inet_ntoa, WritesDottedDecimal) {
  const struct {
    in_addr address;
    const char* text;
  } cases[] = {
      {{{0, 0, 0, 0}}, "0.0.0.0"},           {{{255, 255, 255, 255}}, "255.255.255.255"},
      {{{127, 0, 0, 1}}, "127.0.0.1"},       {{{10, 99, 100, 9}}, "10.99.100.9"},
      {{{1, 20, 200, 250}}, "1.20.200.250"},
  };
  for (const auto& c : cases) EXPECT_STREQ(c.text, inet_ntoa(c.address));
}

TEST(ResolverErrorCode, KeepsTheCLibrarysClass) {
  const struct {
    int hostError;
    int systemError;
    int code;
  } cases[] = {
      {HOST_NOT_FOUND, 0, WSAHOST_NOT_FOUND},
      {TRY_AGAIN, 0, WSATRY_AGAIN},
      {NO_RECOVERY, 0, WSANO_RECOVERY},
      {NO_DATA, 0, WSANO_DATA},
      {NETDB_INTERNAL, ENETDOWN, WSAENETDOWN},
      {NETDB_INTERNAL, ENETUNREACH, WSAENETUNREACH},
      {NETDB_INTERNAL, ECONNREFUSED, WSAECONNREFUSED},
      {NETDB_INTERNAL, ETIMEDOUT, WSAETIMEDOUT},
      {NETDB_INTERNAL, ENOMEM, WSAENOBUFS},
      {NETDB_INTERNAL, EINTR, WSAEINTR},
      {NETDB_INTERNAL, EAGAIN, WSATRY_AGAIN},
      {NETDB_INTERNAL, ENOENT, WSAENETDOWN},
      {NETDB_INTERNAL, 0, WSAENETDOWN},
      {NETDB_SUCCESS, 0, WSANO_RECOVERY},  // a failure with no class is still a failure
      {99, 0, WSANO_RECOVERY},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.hostError) + "/" + std::to_string(c.systemError));
    EXPECT_EQ(c.code, ResolverErrorCode(c.hostError, c.systemError));
  }
}

}  // namespace
