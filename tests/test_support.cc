#include "test_support.h"

#include <stdio.h>
#include <sys/mman.h>
#include <unistd.h>

#include "run/run.h"

std::string Visible(const std::string& bytes) {
  std::string shown;
  for (char byte : bytes) {
    unsigned char c = static_cast<unsigned char>(byte);
    if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c == '\t') {
      shown += "\\t";
    } else if (c == '\\') {
      shown += "\\\\";
    } else if (c < 0x20 || c >= 0x7f) {
      char escape[8];
      snprintf(escape, sizeof escape, "\\x%02x", c);
      shown += escape;
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

int OpenMemoryFile() { return memfd_create("nettell-output", 0); }

std::string ReadAllFrom(int fd) {
  std::string bytes;
  char chunk[65536];
  ssize_t got;
  off_t offset = 0;
  while ((got = pread(fd, chunk, sizeof chunk, offset)) > 0) {
    bytes.append(chunk, static_cast<size_t>(got));
    offset += got;
  }
  return bytes;
}

CapturedRun RunNettellWith(const SocketScript& script, const std::vector<std::string>& arguments) {
  PlayScript(script);
  // The run may overwrite its arguments, so it gets copies of its own.
  std::vector<std::string> storage = arguments;
  storage.insert(storage.begin(), "nettell");
  std::vector<char*> argv;
  argv.reserve(storage.size() + 1);
  for (auto& argument : storage) argv.push_back(&argument[0]);
  argv.push_back(nullptr);

  CapturedRun run;
  run.output = CaptureConsole(
      [&] { run.status = RunNettell(static_cast<int>(storage.size()), argv.data()); });
  run.arguments.assign(storage.begin() + 1, storage.end());
  return run;
}
