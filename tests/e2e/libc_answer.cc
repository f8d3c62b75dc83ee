// Asks the C library's own hostent resolver what nettell asks it, so that
// the end-to-end tests compare nettell with the C library rather than with
// answers written down by hand.
//
//   libc_answer name NAME       gethostbyname(NAME)
//   libc_answer address A.B.C.D gethostbyaddr of those four bytes
//
// Prints fields separated by NUL bytes. A found record:
//   found, has-name (0 or 1), name, alias count, aliases..., address count,
//   addresses as dotted text...
// A failure:
//   failed, h_errno, errno
#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <stdio.h>
#include <string.h>

namespace {

void Field(const char* text) { fwrite(text, 1, strlen(text) + 1, stdout); }

void Field(int number) {
  char text[16];
  snprintf(text, sizeof text, "%d", number);
  Field(text);
}

int Count(char** list) {
  int count = 0;
  while (list[count] != nullptr) ++count;
  return count;
}

int PrintAnswer(hostent* host) {
  if (host == nullptr) {
    int systemError = errno;
    Field("failed");
    Field(h_errno);
    Field(systemError);
    return 0;
  }
  Field("found");
  Field(host->h_name != nullptr);
  Field(host->h_name != nullptr ? host->h_name : "");
  Field(Count(host->h_aliases));
  for (char** alias = host->h_aliases; *alias != nullptr; ++alias) Field(*alias);
  Field(Count(host->h_addr_list));
  for (char** address = host->h_addr_list; *address != nullptr; ++address) {
    unsigned char* b = reinterpret_cast<unsigned char*>(*address);
    char text[16];
    snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    Field(text);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "name") == 0) return PrintAnswer(gethostbyname(argv[2]));
  unsigned char address[4];
  if (argc == 3 && strcmp(argv[1], "address") == 0 && inet_pton(AF_INET, argv[2], address) == 1) {
    return PrintAnswer(gethostbyaddr(address, 4, AF_INET));
  }
  fprintf(stderr, "usage: libc_answer name NAME | address A.B.C.D\n");
  return 2;
}
