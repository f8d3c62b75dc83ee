#include "scripted_sockets.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "sockets/sockets.h"

namespace {

SocketScript playing;  // the script being played back
std::vector<std::string> calls;
// The record handed out, with the storage its pointers point into.
sockets::hostent record;
std::vector<std::string> names;
std::vector<char*> aliasList;
std::vector<std::array<unsigned char, 4>> addresses;
std::vector<char*> addressList;

sockets::hostent* Answer() {
  const ScriptedAnswer& answer = playing.answer;
  if (!answer.found) return nullptr;
  names.assign(1, answer.name);
  names.insert(names.end(), answer.aliases.begin(), answer.aliases.end());
  aliasList.clear();
  for (size_t i = 1; i < names.size(); ++i) aliasList.push_back(&names[i][0]);
  aliasList.push_back(nullptr);
  addresses = answer.addresses;
  addressList.clear();
  for (auto& address : addresses) addressList.push_back(reinterpret_cast<char*>(address.data()));
  addressList.push_back(nullptr);

  record.h_name = answer.hasName ? &names[0][0] : nullptr;
  record.h_aliases = aliasList.data();
  record.h_addrtype = sockets::FamilyInet;
  record.h_length = 4;
  record.h_addr_list = addressList.data();
  return &record;
}

int lastError = 0;

}  // namespace

void PlayScript(const SocketScript& script) {
  playing = script;
  calls.clear();
  lastError = 0;
}

const std::vector<std::string>& RecordedCalls() { return calls; }

long long ScriptedRecordReference() {
  return static_cast<long long>(reinterpret_cast<intptr_t>(&record));
}

namespace sockets {

int WSAStartup(unsigned short versionRequested, WSADATA* data) {
  calls.push_back("WSAStartup(" + std::to_string(versionRequested) + ")");
  if (playing.startupResult != 0) return playing.startupResult;
  data->wVersion = data->wHighVersion = 0x0101;
  snprintf(data->szDescription, sizeof data->szDescription, "%s", playing.description.c_str());
  snprintf(data->szSystemStatus, sizeof data->szSystemStatus, "%s", playing.status.c_str());
  return 0;
}

int WSACleanup() {
  calls.push_back("WSACleanup()");
  if (playing.cleanupResult != 0) lastError = playing.cleanupError;
  return playing.cleanupResult;
}

int WSAGetLastError() { return lastError; }

hostent* gethostbyname(const char* name) {
  calls.push_back(std::string("gethostbyname(") + name + ")");
  hostent* host = Answer();
  if (host == nullptr) lastError = playing.answer.error;
  return host;
}

hostent* gethostbyaddr(const char* address, int length, int type) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(address);
  char text[64];
  snprintf(text, sizeof text, "gethostbyaddr(%u.%u.%u.%u,%d,%d)", bytes[0], bytes[1], bytes[2],
           bytes[3], length, type);
  calls.push_back(text);
  hostent* host = Answer();
  if (host == nullptr) lastError = playing.answer.error;
  return host;
}

int gethostname(char* name, int length) {
  calls.push_back("gethostname(" + std::to_string(length) + ")");
  if (playing.hostnameResult != 0) {
    lastError = playing.hostnameError;
    return playing.hostnameResult;
  }
  snprintf(name, static_cast<size_t>(length), "%s", playing.localName.c_str());
  return 0;
}

char* inet_ntoa(in_addr address) {
  static char text[16];
  snprintf(text, sizeof text, "%u.%u.%u.%u", address.s_bytes[0], address.s_bytes[1],
           address.s_bytes[2], address.s_bytes[3]);
  return text;
}

}  // namespace sockets
