// The whole run, driven in-process against the scripted sockets layer: what
// it prints, byte for byte, which sockets calls it makes, and its exit status.
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run/run.h"
#include "test_support.h"

namespace {

// What reaches standard output: every line feed as carriage return and line
// feed, so a message's "\r\n" arrives as "\r\r\n".
const std::string Usage =
    "usage: nettell [HostName | HostAddress | /v | /?]\r\r\n"
    "  e.g.1 nettell fileserver\r\r\n"
    "  e.g.2 nettell 123.45.678.90\r\r\n"
    "Note: \"/v\" selects verbose output, detailing sockets calls and results.\r\r\n"
    "      \"/?\" displays the sockets version number and state.\r\r\n";
const std::string Status = "Scripted sockets 1.1\r\r\nStatus: Ready\r\r\n";
const std::string VerboseStart =
    "Verbose mode\r\r\n"
    "WSAStartup( 257, &SocketData ) returned 0 (success)\r\r\n";
const std::string VerboseRelease = "WSACleanup() returned 0 (success)\r\r\n";
const std::string LocalName = "\r\nLocal name:";
const std::string FileserverTrace = "gethostbyname( \"fileserver\" ) returned address @REF@";
const std::string FileserverReport = "\r\r\nfileserver -> 10.0.0.7 (1 address)\r\r\n";
const std::string MailhostReport = "\r\r\nmailhost -> 10.0.0.7 (1 address)\r\r\n";

const std::string Startup = "WSAStartup(257)";
const std::string Cleanup = "WSACleanup()";
const std::string LocalLookup = "gethostname(255)";

struct RunCase {
  const char* title;
  std::vector<std::string> arguments;
  std::function<void(SocketScript&)> script;  // changes to the default script
  std::string expected;                       // "@REF@" stands for the record's reference
  int status;
  std::vector<std::string> calls;
};

void Defaults(SocketScript&) {}

SocketScript ScriptFor(const RunCase& c) {
  SocketScript script;
  c.script(script);
  return script;
}

std::string WithReference(std::string text) {
  const std::string marker = "@REF@";
  for (size_t at; (at = text.find(marker)) != std::string::npos;) {
    text.replace(at, marker.size(), std::to_string(ScriptedRecordReference()));
  }
  return text;
}

const RunCase runCases[] = {
    {"no arguments: usage, then the local machine's lookup",
     {},
     Defaults,
     Usage + LocalName + FileserverReport,
     ExitOk,
     {Startup, LocalLookup, "gethostbyname(fileserver)", Cleanup}},
    {"a host name",
     {"mailhost"},
     Defaults,
     MailhostReport,
     ExitOk,
     {Startup, "gethostbyname(mailhost)", Cleanup}},
    {"a dotted address",
     {"10.0.0.7"},
     Defaults,
     "\r\r\n10.0.0.7 -> fileserver (0 aliases)\r\r\n",
     ExitOk,
     {Startup, "gethostbyaddr(10.0.0.7,4,2)", Cleanup}},

    // Status options: alone, they make no lookup.
    {"/? alone", {"/?"}, Defaults, Status, ExitOk, {Startup, Cleanup}},
    {"-? alone", {"-?"}, Defaults, Status, ExitOk, {Startup, Cleanup}},
    {"? alone", {"?"}, Defaults, Status, ExitOk, {Startup, Cleanup}},
    {"/h alone", {"/h"}, Defaults, Status, ExitOk, {Startup, Cleanup}},
    {"-help alone", {"-help"}, Defaults, Status, ExitOk, {Startup, Cleanup}},
    {"/Help alone", {"/Help"}, Defaults, Status, ExitOk, {Startup, Cleanup}},
    {"-host alone passes the -h prefix test",
     {"-host"},
     Defaults,
     Status,
     ExitOk,
     {Startup, Cleanup}},
    {"/?x fails the whole-argument test and is a host",
     {"/?x"},
     Defaults,
     "\r\r\n/?x -> 10.0.0.7 (1 address)\r\r\n",
     ExitOk,
     {Startup, "gethostbyname(/?x)", Cleanup}},
    {"/ is too short for a prefix test and is an address",
     {"/"},
     Defaults,
     "\r\r\n/ -> fileserver (0 aliases)\r\r\n",
     ExitOk,
     {Startup, "gethostbyaddr(0.0.0.0,4,2)", Cleanup}},
    {"status before a host",
     {"/?", "mailhost"},
     Defaults,
     Status + MailhostReport,
     ExitOk,
     {Startup, "gethostbyname(mailhost)", Cleanup}},
    {"status after a host",
     {"mailhost", "-H"},
     Defaults,
     Status + MailhostReport,
     ExitOk,
     {Startup, "gethostbyname(mailhost)", Cleanup}},
    {"two status options: the status is printed once, then the local lookup",
     {"/?", "-h"},
     Defaults,
     Status + LocalName + FileserverReport,
     ExitOk,
     {Startup, LocalLookup, "gethostbyname(fileserver)", Cleanup}},

    // Verbose.
    {"/v alone traces the local lookup right after its label",
     {"/v"},
     Defaults,
     VerboseStart + LocalName + FileserverTrace + FileserverReport + VerboseRelease,
     ExitOk,
     {Startup, LocalLookup, "gethostbyname(fileserver)", Cleanup}},
    {"/v and /?",
     {"/v", "/?"},
     Defaults,
     VerboseStart + Status + LocalName + FileserverTrace + FileserverReport + VerboseRelease,
     ExitOk,
     {Startup, LocalLookup, "gethostbyname(fileserver)", Cleanup}},
    {"-VERBOSE before a host",
     {"-VERBOSE", "mailhost"},
     Defaults,
     VerboseStart + "gethostbyname( \"mailhost\" ) returned address @REF@" + MailhostReport +
         VerboseRelease,
     ExitOk,
     {Startup, "gethostbyname(mailhost)", Cleanup}},
    {"verbose twice says so once",
     {"/v", "-Vx", "mailhost"},
     Defaults,
     VerboseStart + "gethostbyname( \"mailhost\" ) returned address @REF@" + MailhostReport +
         VerboseRelease,
     ExitOk,
     {Startup, "gethostbyname(mailhost)", Cleanup}},
    {"verbose address lookup traces the numbers as parsed",
     {"123.45.678.90", "/V"},
     Defaults,
     VerboseStart + "gethostbyaddr( \"123.45.678.90\", 4, PF_INET ) returned address @REF@" +
         "\r\r\n123.45.678.90 -> fileserver (0 aliases)\r\r\n" + VerboseRelease,
     ExitOk,
     {Startup, "gethostbyaddr(123.45.166.90,4,2)", Cleanup}},
    {"verbose failed lookup traces reference 0",
     {"/v", "ghost"},
     [](SocketScript& s) { s.answer = FailedAnswer(11001); },
     VerboseStart +
         "gethostbyname( \"ghost\" ) returned address 0\r\r\nghost -> Host not found\r\n" +
         VerboseRelease,
     ExitNotFound,
     {Startup, "gethostbyname(ghost)", Cleanup}},

    // Target choice.
    {"only the first of two hosts is looked up",
     {"mailhost", "printer"},
     Defaults,
     MailhostReport,
     ExitOk,
     {Startup, "gethostbyname(mailhost)", Cleanup}},
    {"/x is not an option: a name",
     {"/x"},
     Defaults,
     "\r\r\n/x -> 10.0.0.7 (1 address)\r\r\n",
     ExitOk,
     {Startup, "gethostbyname(/x)", Cleanup}},
    {"an empty argument is an address",
     {""},
     Defaults,
     "\r\r\n -> fileserver (0 aliases)\r\r\n",
     ExitOk,
     {Startup, "gethostbyaddr(0.0.0.0,4,2)", Cleanup}},
    {"printf directives in a name are printed as they stand",
     {"%s%n%d%%"},
     [](SocketScript& s) { s.answer = FailedAnswer(11001); },
     "\r\r\n%s%n%d%% -> Host not found\r\n",
     ExitNotFound,
     {Startup, "gethostbyname(%s%n%d%%)", Cleanup}},

    // Failures of the run's own calls.
    {"no local name",
     {},
     [](SocketScript& s) { s.hostnameResult = -1; },
     Usage + LocalName + "No local name\r\n",
     ExitFailure,
     {Startup, LocalLookup, Cleanup}},
    {"no local name, verbose",
     {"/v"},
     [](SocketScript& s) { s.hostnameResult = -1; },
     VerboseStart + LocalName + "No local name\r\n" + VerboseRelease,
     ExitFailure,
     {Startup, LocalLookup, Cleanup}},
    {"start-up refused: no release, and the message ends the output mid-line",
     {"mailhost"},
     [](SocketScript& s) { s.startupResult = 10092; },
     "WSAStartup failed: The version of Windows Sockets support requested is not provided by this "
     "particular Windows Sockets implementation.",
     ExitFailure,
     {Startup}},
    {"start-up failure after the verbose line, with no start-up trace",
     {"/v", "mailhost"},
     [](SocketScript& s) { s.startupResult = 10091; },
     "Verbose mode\r\r\nWSAStartup failed: The underlying network subsystem is not ready for "
     "network "
     "communication.",
     ExitFailure,
     {Startup}},
    {"start-up failure after the usage text",
     {},
     [](SocketScript& s) { s.startupResult = 10050; },
     Usage + "WSAStartup failed: Network failure\r\n",
     ExitFailure,
     {Startup}},
    {"release failure after a lookup",
     {"mailhost"},
     [](SocketScript& s) {
       s.cleanupResult = -1;
       s.cleanupError = 10093;
     },
     MailhostReport + "WSACleanup failed: A successful WSAStartup must occur before using this "
                      "function.\r\n",
     ExitFailure,
     {Startup, "gethostbyname(mailhost)", Cleanup}},
    {"release failure, verbose: no release trace",
     {"-v", "mailhost"},
     [](SocketScript& s) {
       s.cleanupResult = 1;
       s.cleanupError = 10036;
     },
     VerboseStart + "gethostbyname( \"mailhost\" ) returned address @REF@" + MailhostReport +
         "WSACleanup failed: A blocking Windows Sockets operation is in progress.\r\n",
     ExitFailure,
     {Startup, "gethostbyname(mailhost)", Cleanup}},
    {"release failure after a failed lookup keeps the lookup's status",
     {"ghost"},
     [](SocketScript& s) {
       s.answer = FailedAnswer(11002);
       s.cleanupResult = -1;
       s.cleanupError = 10050;
     },
     "\r\r\nghost -> Non-Authoritative Host not found, or SERVERFAIL.\r\nWSACleanup failed: "
     "Network "
     "failure\r\n",
     ExitTryAgain,
     {Startup, "gethostbyname(ghost)", Cleanup}},
    {"release failure after the status-only run",
     {"/?"},
     [](SocketScript& s) {
       s.cleanupResult = -1;
       s.cleanupError = 4242;
     },
     Status + "WSACleanup failed: Unknown Winsock error: 4242\r\n",
     ExitFailure,
     {Startup, Cleanup}},
};

TEST(Run, PrintsCallsAndExitsAsExpected) {
  for (const RunCase& c : runCases) {
    SCOPED_TRACE(c.title);
    CapturedRun run = RunNettellWith(ScriptFor(c), c.arguments);
    EXPECT_BYTES(WithReference(c.expected), run.output);
    EXPECT_EQ(c.status, run.status);
    EXPECT_EQ(c.calls, RecordedCalls());
  }
}

// A failed lookup prints its message on the heading's line and gives the
// exit status that its class calls for.
struct LookupFailure {
  int code;
  const char* message;
  int status;
};

const LookupFailure lookupFailures[] = {
    {11001, "Host not found\r\n", ExitNotFound},
    {11004, "Valid name, no data record of requested type.\r\n", ExitNotFound},
    {11002, "Non-Authoritative Host not found, or SERVERFAIL.\r\n", ExitTryAgain},
    {11003, "Nonrecoverable errors: FORMERR, REFUSED, NOTIMP.\r\n", ExitFailure},
    {10050, "Network failure\r\n", ExitFailure},
    {10004, "The (blocking) call was canceled using WSACancelBlockingCall.\r\n", ExitFailure},
    {10022,
     "The Windows Sockets version specified by the application is not supported by this DLL.",
     ExitFailure},
    {0, "Unknown Winsock error: 0\r\n", ExitFailure},
    {-7, "Unknown Winsock error: -7\r\n", ExitFailure},
};

TEST(Run, FailedLookupsExitByTheirClass) {
  for (const char* target : {"ghost", "192.0.2.1"}) {
    for (const LookupFailure& f : lookupFailures) {
      SCOPED_TRACE(std::string(target) + " " + std::to_string(f.code));
      SocketScript script;
      script.answer = FailedAnswer(f.code);
      CapturedRun run = RunNettellWith(script, {target});
      EXPECT_BYTES("\r\r\n" + std::string(target) + " -> " + f.message, run.output);
      EXPECT_EQ(f.status, run.status);
      EXPECT_EQ(target, run.arguments[0]) << "a failed lookup leaves its target as it was";
    }
  }
}

TEST(Run, SuccessfulLookupSpendsItsTarget) {
  SocketScript script;
  EXPECT_EQ((std::vector<std::string>{"        ", "printer"}),
            RunNettellWith(script, {"mailhost", "printer"}).arguments);
  EXPECT_EQ((std::vector<std::string>{"/v", "        "}),
            RunNettellWith(script, {"/v", "10.0.0.7"}).arguments);
}

TEST(Run, ReleasesTheLayerWhenOutputFails) {
  int ends[2];
  ASSERT_EQ(0, pipe(ends));
  close(ends[0]);  // the reader is gone before the first byte
  PlayScript(SocketScript());
  std::string storage[] = {"nettell", "/v", "mailhost"};
  char* argv[] = {&storage[0][0], &storage[1][0], &storage[2][0], nullptr};
  ConsoleStart(ends[1]);
  EXPECT_EQ(ExitOk, RunNettell(3, argv));
  EXPECT_EQ(0, ConsoleFinish());
  close(ends[1]);
  EXPECT_EQ((std::vector<std::string>{Startup, "gethostbyname(mailhost)", Cleanup}),
            RecordedCalls());
}

TEST(Run, EmptyArgumentVectorIsARunWithoutArguments) {
  PlayScript(SocketScript());
  char* argv[] = {nullptr};
  int status = -1;
  std::string output = CaptureConsole([&] { status = RunNettell(0, argv); });
  EXPECT_BYTES(Usage + LocalName + FileserverReport, output);
  EXPECT_EQ(ExitOk, status);
}

}  // namespace
