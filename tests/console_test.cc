// The text-mode console: line feed translation, the formatting it knows,
// its two buffering modes, and writes that fail, stall or are interrupted.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <termios.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "console/console.h"
#include "test_support.h"

namespace {

struct Translation {
  const char* title;
  std::function<void()> print;
  std::string expected;
};

// Formats that are not literals, to show what the console does with
// directives it does not know.
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
const std::string UnknownDirectives = "%x %5d %-s %lls %q 50%";
const char* volatile NoText = nullptr;

const Translation translations[] = {
    {"a lone line feed", [] { ConsolePrint("a\nb"); }, "a\r\nb"},
    {"carriage return and line feed", [] { ConsolePrint("a\r\n"); }, "a\r\r\n"},
    {"line feeds in a row", [] { ConsolePrint("\n\n"); }, "\r\n\r\n"},
    {"line feeds inside arguments", [] { ConsolePrint("%s|%s", "x\ny", "\r\n"); }, "x\r\ny|\r\r\n"},
    {"other bytes unchanged", [] { ConsolePrint("%s", "\t\v\f\x1b\x7f\x80\xff\r"); },
     "\t\v\f\x1b\x7f\x80\xff\r"},
    {"int extremes", [] { ConsolePrint("%d %d %d", INT_MIN, 0, INT_MAX); },
     "-2147483648 0 2147483647"},
    {"long and long long extremes", [] { ConsolePrint("%ld %lld", LONG_MIN, LLONG_MIN); },
     "-9223372036854775808 -9223372036854775808"},
    {"percent sign", [] { ConsolePrint("100%%"); }, "100%"},
    {"a null string", [] { ConsolePrint("%s", NoText); }, "(null)"},
    {"unknown directives stand as they are", [] { ConsolePrint(UnknownDirectives.c_str()); },
     "%x %5d %-s %lls %q 50%"},
    {"several calls in order",
     [] {
       ConsolePrint("a");
       ConsolePrint("b\n");
       ConsolePrint("c");
     },
     "ab\r\nc"},
};

TEST(Console, WritesLineFeedsAsCarriageReturnLineFeed) {
  for (const Translation& t : translations) {
    SCOPED_TRACE(t.title);
    EXPECT_BYTES(t.expected, CaptureConsole(t.print));
  }
}

// Bytes that can be read from fd right now, without waiting.
std::string ReadAvailable(int fd) {
  std::string bytes;
  char chunk[8192];
  pollfd ready = {fd, POLLIN, 0};
  while (poll(&ready, 1, 0) == 1 && (ready.revents & POLLIN)) {
    ssize_t got = read(fd, chunk, sizeof chunk);
    if (got <= 0) break;
    bytes.append(chunk, static_cast<size_t>(got));
  }
  return bytes;
}

// Reads from fd until it has size bytes or a few seconds pass.
std::string ReadUntil(int fd, size_t size) {
  std::string bytes;
  char chunk[8192];
  pollfd ready = {fd, POLLIN, 0};
  while (bytes.size() < size && poll(&ready, 1, 3000) == 1) {
    ssize_t got = read(fd, chunk, sizeof chunk);
    if (got <= 0) break;
    bytes.append(chunk, static_cast<size_t>(got));
  }
  return bytes;
}

TEST(Console, GathersPipeOutputInFullBuffers) {
  int ends[2];
  ASSERT_EQ(0, pipe(ends));
  ConsoleStart(ends[1]);

  ConsolePrint("%s", std::string(100, 'a').c_str());
  EXPECT_EQ("", ReadAvailable(ends[0])) << "a pipe waits for a full buffer";

  // 3995 bytes and a line feed, which grows to two: the buffer is full.
  ConsolePrint("%s\n", std::string(3994, 'b').c_str());
  EXPECT_EQ(size_t{ConsoleBufferSize}, ReadAvailable(ends[0]).size());

  ConsolePrint("c");
  EXPECT_EQ("", ReadAvailable(ends[0]));
  EXPECT_EQ(1, ConsoleFinish());
  EXPECT_EQ("c", ReadAvailable(ends[0]));
  close(ends[0]);
  close(ends[1]);
}

TEST(Console, WritesEachCallWholeToACharacterDevice) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(0, grantpt(master));
  ASSERT_EQ(0, unlockpt(master));
  int device = open(ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(device, 0);
  // Raw mode, so that the terminal itself adds no carriage returns.
  termios mode;
  tcgetattr(device, &mode);
  cfmakeraw(&mode);
  tcsetattr(device, TCSANOW, &mode);

  ConsoleStart(device);
  ConsolePrint("one\n");
  EXPECT_BYTES("one\r\n", ReadUntil(master, 5));
  // Longer than the buffer, yet out before the call returns.
  std::string longLine(6000, 'x');
  ConsolePrint("%s\n", longLine.c_str());
  EXPECT_BYTES(longLine + "\r\n", ReadUntil(master, 6002));
  EXPECT_EQ(1, ConsoleFinish());
  close(device);
  close(master);
}

TEST(Console, FailedWritesAreRememberedNotFatal) {
  int ends[2];
  ASSERT_EQ(0, pipe(ends));
  close(ends[0]);
  ConsoleStart(ends[1]);  // a reader that went away must not raise SIGPIPE
  ConsolePrint("%s", std::string(10000, 'a').c_str());
  EXPECT_EQ(0, ConsoleFinish());
  close(ends[1]);

  int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  ConsoleStart(full);
  ConsolePrint("no space\n");
  EXPECT_EQ(0, ConsoleFinish());
  close(full);

  ConsoleStart(full);  // closed above
  ConsolePrint("bad descriptor\n");
  EXPECT_EQ(0, ConsoleFinish());
}

void Ignore(int) {}

TEST(Console, CompletesInterruptedAndPartialWrites) {
  // A stream socket with a small send buffer takes part of a write at a
  // time; a timer interrupts the writes while the reader dawdles.
  int ends[2];
  ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM, 0, ends));
  int small = 4096;
  setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);

  struct sigaction interrupt = {};
  interrupt.sa_handler = Ignore;  // no SA_RESTART: blocked writes fail with EINTR
  struct sigaction before;
  sigaction(SIGALRM, &interrupt, &before);
  itimerval every = {{0, 200}, {0, 200}};
  setitimer(ITIMER_REAL, &every, nullptr);

  std::string text;
  for (int i = 0; text.size() < 300000; ++i) text += std::to_string(i) + ",";
  std::string received;
  std::thread reader([&] {
    char chunk[1000];
    ssize_t got;
    while ((got = read(ends[0], chunk, sizeof chunk)) != 0) {
      if (got > 0) received.append(chunk, static_cast<size_t>(got));
      usleep(20);
    }
  });

  ConsoleStart(ends[1]);
  ConsolePrint("%s", text.c_str());
  EXPECT_EQ(1, ConsoleFinish());
  itimerval stop = {};
  setitimer(ITIMER_REAL, &stop, nullptr);
  shutdown(ends[1], SHUT_WR);
  reader.join();
  sigaction(SIGALRM, &before, nullptr);
  EXPECT_TRUE(received == text) << "received " << received.size() << " of " << text.size()
                                << " bytes";
  close(ends[0]);
  close(ends[1]);
}

TEST(Console, WaitsOnANonBlockingOutput) {
  int ends[2];
  ASSERT_EQ(0, pipe(ends));
  fcntl(ends[1], F_SETFL, O_NONBLOCK);
  std::string text(200000, 'n');
  std::string received;
  std::thread reader([&] {
    usleep(50000);  // let the pipe fill first
    char chunk[65536];
    ssize_t got;
    while ((got = read(ends[0], chunk, sizeof chunk)) > 0)
      received.append(chunk, static_cast<size_t>(got));
  });
  ConsoleStart(ends[1]);
  ConsolePrint("%s", text.c_str());
  EXPECT_EQ(1, ConsoleFinish());
  close(ends[1]);
  reader.join();
  EXPECT_TRUE(received == text) << "received " << received.size() << " of " << text.size()
                                << " bytes";
  close(ends[0]);
}

}  // namespace
