// Text-mode standard output.
//
// Everything nettell prints goes through ConsolePrint. The console writes
// every line feed as a carriage return and a line feed, whatever byte stands
// before it, and adds, drops or converts nothing else.
//
// To a terminal or another character device, each print call is written out
// whole before it returns. To a file or a pipe, text is gathered in a
// 4096-byte buffer that is written each time it is full and once more by
// ConsoleFinish. Write failures never interrupt the run: they are remembered
// and ConsoleFinish reports them.
#ifndef NETTELL_CONSOLE_CONSOLE_H
#define NETTELL_CONSOLE_CONSOLE_H

// Size of the buffer that gathers output for a file or a pipe.
enum { ConsoleBufferSize = 4096 };

// Directs output to the open descriptor fd and picks the buffering mode from
// what fd is. Also makes a reader that closes a pipe early cost nettell a
// failed write instead of a SIGPIPE death. Call once before printing.
void ConsoleStart(int fd);

// Formats like printf and writes the result in text mode. Understands %s,
// %d, %ld, %lld and %%; a null %s prints "(null)". Never fails.
void ConsolePrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes out whatever is still buffered. Returns 1 if every byte printed
// since ConsoleStart was written, 0 if any write failed.
int ConsoleFinish();

#endif
