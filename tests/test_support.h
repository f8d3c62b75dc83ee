// Helpers shared by the tests: capturing what nettell prints, and showing
// bytes so that a carriage return, a line feed or a space is never hidden.
#ifndef NETTELL_TESTS_TEST_SUPPORT_H
#define NETTELL_TESTS_TEST_SUPPORT_H

#include <unistd.h>

#include <string>
#include <vector>

#include "console/console.h"
#include "scripted_sockets.h"

// The bytes as C escapes: "\r", "\n", "\t", "\xHH" for other controls and
// bytes from 0x80, "\\" for a backslash; printable bytes as they are.
std::string Visible(const std::string& bytes);

// Compares two byte strings through Visible, so a failure shows every byte.
#define EXPECT_BYTES(expected, actual) EXPECT_EQ(Visible(expected), Visible(actual))

// A file in memory that the console can write to, as to a regular file.
int OpenMemoryFile();

// Everything written to fd since it was opened.
std::string ReadAllFrom(int fd);

struct CapturedRun {
  std::string output;
  int status;
  std::vector<std::string> arguments;  // as the run left them
};

// Runs nettell in-process with arguments after the program's name, against
// the scripted sockets layer, and captures what it prints.
CapturedRun RunNettellWith(const SocketScript& script, const std::vector<std::string>& arguments);

// Captures what body prints through the console into a regular file.
template <typename Body>
std::string CaptureConsole(Body body) {
  int fd = OpenMemoryFile();
  ConsoleStart(fd);
  body();
  ConsoleFinish();
  std::string output = ReadAllFrom(fd);
  close(fd);
  return output;
}

#endif
