// Lookup reporting: decides whether a target is a dotted address or a name,
// asks the resolver, and prints the answer in nettell's aligned layout, or
// the message for the sockets call that failed.
#ifndef NETTELL_REPORT_REPORT_H
#define NETTELL_REPORT_REPORT_H

// 1 when the sockets calls and the host lookup are traced, else 0. Set once
// by the run before the sockets layer starts.
extern int Verbose;

// Returns 1 when text holds no ASCII letter and so counts as a dotted
// address (the empty text included), 0 when it is a name.
int IsHostAddress(const char* text);

// Reads up to four numbers from dotted text, as "%d.%d.%d.%d" would: white
// space before each number but not before a dot, an optional sign, decimal
// digits with leading zeros, a value beyond 32 bits wrapped modulo 2^32.
// Stops at the first byte that does not fit. Numbers not read are set to 0.
// Returns how many were read.
int ParseDottedText(const char* text, int numbers[4]);

// Looks up the IPv4 addresses of the name in text and prints them, or the
// failure. After a successful lookup text is overwritten with spaces; the
// caller owns it. Returns 1 when the lookup succeeded, 0 when it failed, and
// then the sockets layer's last error names the failure.
int LookupHostName(char* text);

// Looks up the official name and aliases of the dotted address in text and
// prints them, or the failure. Spends text and returns as LookupHostName.
int LookupHostAddress(char* text);

// Prints the message for a sockets error code. Some messages end without
// a line break.
void ReportSocketError(int code);

#endif
