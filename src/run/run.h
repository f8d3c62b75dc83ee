// Run control: reads the command line, starts the sockets layer, prints the
// usage, trace and status texts, looks up one host and releases the layer.
#ifndef NETTELL_RUN_RUN_H
#define NETTELL_RUN_RUN_H

// nettell's exit status.
enum ExitStatus {
  ExitOk = 0,        // the lookup succeeded, or the run only showed the status
  ExitNotFound = 1,  // no such host, or it has no IPv4 address
  ExitTryAgain = 2,  // a temporary failure: the same lookup may succeed later
  ExitFailure = 3,   // any other failure, including output that could not be written
};

// The exit status for a failed lookup with sockets error code code.
int ExitStatusFor(int code);

// Runs nettell on the argument vector (argv[0] is the program's name) and
// prints everything through the console, which the caller starts and
// finishes. Returns the exit status. Arguments may be overwritten.
int RunNettell(int argc, char** argv);

#endif
