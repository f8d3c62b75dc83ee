#include "console/console.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdarg.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Console {
  int fd;
  int flushEveryCall;  // a character device sees each print call whole
  int failed;          // a write failed; the rest of the output is dropped
  int length;          // bytes waiting in buffer
  char buffer[ConsoleBufferSize];
};

Console console = {1, 0, 0, 0, {}};

// Waits until a non-blocking descriptor can take more bytes. Returns 0 if
// it cannot be waited on.
int WaitUntilWritable() {
  pollfd ready = {console.fd, POLLOUT, 0};
  return poll(&ready, 1, -1) >= 0 || errno == EINTR;
}

// Writes all of data, completing partial and interrupted writes. A write
// that fails for good marks the console failed and drops the rest.
void WriteAll(const char* data, long size) {
  while (size > 0 && !console.failed) {
    ssize_t written = write(console.fd, data, static_cast<size_t>(size));
    if (written > 0) {
      data += written;
      size -= written;
      continue;
    }
    int blocked = errno == EAGAIN || errno == EWOULDBLOCK;
    int tryAgain = written < 0 && (errno == EINTR || (blocked && WaitUntilWritable()));
    if (!tryAgain) console.failed = 1;
  }
}

void Flush() {
  WriteAll(console.buffer, console.length);
  console.length = 0;
}

void PutRaw(char c) {
  console.buffer[console.length++] = c;
  if (console.length == ConsoleBufferSize) Flush();
}

// Text mode: a line feed goes out as carriage return and line feed.
void PutByte(char c) {
  if (c == '\n') PutRaw('\r');
  PutRaw(c);
}

void PutString(const char* text) {
  if (text == nullptr) text = "(null)";
  for (; *text != '\0'; ++text) PutByte(*text);
}

void PutDecimal(long long value) {
  // Work on the magnitude as unsigned so that the most negative value has
  // no overflow.
  unsigned long long magnitude = static_cast<unsigned long long>(value);
  if (value < 0) {
    PutByte('-');
    magnitude = 0 - magnitude;
  }
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (count > 0) PutByte(digits[--count]);
}

}  // namespace

void ConsoleStart(int fd) {
  struct stat status;
  console.fd = fd;
  console.flushEveryCall = fstat(fd, &status) == 0 && S_ISCHR(status.st_mode);
  console.failed = 0;
  console.length = 0;

  // With the descriptor closed, nothing can be written. Its number is then
  // taken by /dev/null, so that no file or socket the resolver opens can
  // land on it and receive the output.
  if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
    console.failed = 1;
    int placeholder = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (placeholder >= 0 && placeholder != fd) {
      dup2(placeholder, fd);
      close(placeholder);
    }
  }

  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, nullptr);
}

void ConsolePrint(const char* format, ...) {
  va_list args;
  va_start(args, format);
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      PutByte(*p);
      continue;
    }
    const char* directive = p++;
    int longs = 0;
    while (*p == 'l' && longs < 2) {
      ++longs;
      ++p;
    }
    if (*p == 's' && longs == 0) {
      PutString(va_arg(args, const char*));
    } else if (*p == 'd') {
      if (longs == 0) PutDecimal(va_arg(args, int));
      if (longs == 1) PutDecimal(va_arg(args, long));
      if (longs == 2) PutDecimal(va_arg(args, long long));
    } else if (*p == '%' && longs == 0) {
      PutByte('%');
    } else {
      // Not a directive this console knows: print it as it stands.
      PutByte(*directive);
      p = directive;
    }
  }
  va_end(args);
  if (console.flushEveryCall) Flush();
}

int ConsoleFinish() {
  Flush();
  return !console.failed;
}
