// The lookup reports, the address-form test, the dotted-text parse and the
// error messages, against the scripted sockets layer.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "report/report.h"
#include "test_support.h"

namespace {

using Address = std::array<unsigned char, 4>;

// Runs a lookup on a copy of text and returns what it printed; the copy as
// the lookup left it goes to *spent.
std::string Report(int (*lookup)(char*), const std::string& text, std::string* spent = nullptr,
                   int* found = nullptr) {
  std::string target = text;
  int result = -1;
  std::string output = CaptureConsole([&] { result = lookup(&target[0]); });
  if (spent != nullptr) *spent = target;
  if (found != nullptr) *found = result;
  return output;
}

struct NameCase {
  const char* title;
  std::string name;
  std::vector<Address> addresses;
  std::string expected;
};

const NameCase nameCases[] = {
    {"no address reads address", "mailhost", {}, "\r\r\nmailhost -> (0 address)\r\r\n"},
    {"one address", "mailhost", {{10, 0, 0, 7}}, "\r\r\nmailhost -> 10.0.0.7 (1 address)\r\r\n"},
    {"two addresses line up under the first",
     "mailhost",
     {{10, 0, 0, 7}, {10, 0, 0, 8}},
     "\r\r\nmailhost -> 10.0.0.7 \r\r\n            10.0.0.8 (2 addresses)\r\r\n"},
    {"three addresses, extremes of the byte range",
     "a",
     {{0, 0, 0, 0}, {255, 255, 255, 255}, {1, 10, 100, 200}},
     "\r\r\na -> 0.0.0.0 \r\r\n     255.255.255.255 \r\r\n     1.10.100.200 (3 addresses)\r\r\n"},
    {"a name of bytes from 0x80 up keeps its width in bytes",
     "\xc3\xa9t\xc3\xa9",
     {{10, 0, 0, 7}, {10, 0, 0, 8}},
     "\r\r\n\xc3\xa9t\xc3\xa9 -> 10.0.0.7 \r\r\n         10.0.0.8 (2 addresses)\r\r\n"},
};

TEST(LookupHostName, PrintsEveryAddressInItsColumn) {
  Verbose = 0;
  for (const NameCase& c : nameCases) {
    SCOPED_TRACE(c.title);
    SocketScript script;
    script.answer.addresses = c.addresses;
    PlayScript(script);
    std::string spent;
    int found = 0;
    EXPECT_BYTES(c.expected, Report(LookupHostName, c.name, &spent, &found));
    EXPECT_EQ(1, found);
    EXPECT_EQ(std::string(c.name.size(), ' '), spent);
    EXPECT_EQ(std::vector<std::string>{"gethostbyname(" + c.name + ")"}, RecordedCalls());
  }
}

struct AddressCase {
  const char* title;
  bool hasName;
  std::vector<std::string> aliases;
  std::string expected;
};

const AddressCase addressCases[] = {
    {"a name and no alias reads aliases", true, {}, "\r\r\n10.0.0.7 -> mailhost (0 aliases)\r\r\n"},
    {"one alias in the column of the name",
     true,
     {"mail"},
     "\r\r\n10.0.0.7 -> mailhost \r\r\n            mail (1 alias)\r\r\n"},
    {"several aliases",
     true,
     {"mail", "smtp", "imap"},
     "\r\r\n10.0.0.7 -> mailhost \r\r\n            mail \r\r\n            smtp \r\r\n"
     "            imap (3 aliases)\r\r\n"},
    {"no official name: the aliases follow the heading",
     false,
     {"mail", "smtp"},
     "\r\r\n10.0.0.7 -> \r\r\n            mail \r\r\n            smtp (2 aliases)\r\r\n"},
    {"no official name and no alias", false, {}, "\r\r\n10.0.0.7 -> (0 aliases)\r\r\n"},
};

TEST(LookupHostAddress, PrintsNameAndAliasesInOneColumn) {
  Verbose = 0;
  for (const AddressCase& c : addressCases) {
    SCOPED_TRACE(c.title);
    SocketScript script;
    script.answer.hasName = c.hasName;
    script.answer.name = "mailhost";
    script.answer.aliases = c.aliases;
    PlayScript(script);
    std::string spent;
    int found = 0;
    EXPECT_BYTES(c.expected, Report(LookupHostAddress, "10.0.0.7", &spent, &found));
    EXPECT_EQ(1, found);
    EXPECT_EQ("        ", spent);
  }
}

TEST(Lookups, FailureLeavesTheTargetAndPrintsTheMessage) {
  Verbose = 0;
  SocketScript script;
  script.answer = FailedAnswer(11001);
  PlayScript(script);
  for (auto lookup : {LookupHostName, LookupHostAddress}) {
    std::string spent;
    int found = -1;
    EXPECT_BYTES("\r\r\n1.2.3.4 -> Host not found\r\n", Report(lookup, "1.2.3.4", &spent, &found));
    EXPECT_EQ(0, found);
    EXPECT_EQ("1.2.3.4", spent);
  }
}

// Each dotted text: what the parse reads, the numbers the trace line shows
// and the address the query asks for.
struct DottedCase {
  const char* text;
  int count;
  int numbers[4];
  const char* query;
};

const DottedCase dottedCases[] = {
    {"10.0.0.7", 4, {10, 0, 0, 7}, "10.0.0.7"},
    {"123.45.678.90", 4, {123, 45, 678, 90}, "123.45.166.90"},
    {"300.-1.256.511", 4, {300, -1, 256, 511}, "44.255.0.255"},
    {"1.2.3.4.5", 4, {1, 2, 3, 4}, "1.2.3.4"},
    {"010.08.0009.+7", 4, {10, 8, 9, 7}, "10.8.9.7"},
    {" 1.\t2.\n3.\v\f\r4", 4, {1, 2, 3, 4}, "1.2.3.4"},
    {"1 .2.3.4", 1, {1, 0, 0, 0}, "1.0.0.0"},
    {"1. 2 .3.4", 2, {1, 2, 0, 0}, "1.2.0.0"},
    {"1.2", 2, {1, 2, 0, 0}, "1.2.0.0"},
    {"1-2", 1, {1, 0, 0, 0}, "1.0.0.0"},
    {"", 0, {0, 0, 0, 0}, "0.0.0.0"},
    {"-.1.2.3", 0, {0, 0, 0, 0}, "0.0.0.0"},
    {"1..2.3", 1, {1, 0, 0, 0}, "1.0.0.0"},
    {"+-1.2.3.4", 0, {0, 0, 0, 0}, "0.0.0.0"},
    {"- 1.2.3.4", 0, {0, 0, 0, 0}, "0.0.0.0"},
    {"4294967297.2.3.4", 4, {1, 2, 3, 4}, "1.2.3.4"},
    {"4294967295.0.0.0", 4, {-1, 0, 0, 0}, "255.0.0.0"},
    {"2147483648.-2147483648.2147483647.-2147483649",
     4,
     {-2147483647 - 1, -2147483647 - 1, 2147483647, 2147483647},
     "0.0.255.255"},
    {"99999999999999999999999999999999.1.1.1", 4, {-1, 1, 1, 1}, "255.1.1.1"},
    {"100000000000000000000.1.1.1", 4, {1661992960, 1, 1, 1}, "0.1.1.1"},
    {"\xff.1.1.1", 0, {0, 0, 0, 0}, "0.0.0.0"},
};

TEST(ParseDottedText, ReadsNumbersAsFormattedScanningDoes) {
  for (const DottedCase& c : dottedCases) {
    SCOPED_TRACE(Visible(c.text));
    int numbers[4] = {-5, -5, -5, -5};
    EXPECT_EQ(c.count, ParseDottedText(c.text, numbers));
    EXPECT_EQ(std::vector<int>(c.numbers, c.numbers + 4), std::vector<int>(numbers, numbers + 4));
  }
}

TEST(LookupHostAddress, TracesParsedNumbersAndQueriesTheirLowBytes) {
  Verbose = 1;
  for (const DottedCase& c : dottedCases) {
    SCOPED_TRACE(Visible(c.text));
    SocketScript script;
    script.answer = FailedAnswer(11001);
    PlayScript(script);
    std::string trace = "gethostbyaddr( \"" + std::to_string(c.numbers[0]) + "." +
                        std::to_string(c.numbers[1]) + "." + std::to_string(c.numbers[2]) + "." +
                        std::to_string(c.numbers[3]) + "\", 4, PF_INET ) returned address 0";
    // The heading repeats the text, whose own line feed goes out as CR LF.
    std::string heading = c.text;
    for (size_t at = 0; (at = heading.find('\n', at)) != std::string::npos; at += 2)
      heading.insert(at, "\r");
    EXPECT_BYTES(trace + "\r\r\n" + heading + " -> Host not found\r\n",
                 Report(LookupHostAddress, c.text));
    EXPECT_EQ("gethostbyaddr(" + std::string(c.query) + ",4,2)", RecordedCalls().back());
  }
  Verbose = 0;
}

TEST(IsHostAddress, AnyAsciiLetterMakesAName) {
  const struct {
    const char* text;
    int isAddress;
  } cases[] = {
      {"", 1},
      {"10.0.0.7", 1},
      {"123.45.678.90", 1},
      {"1-2", 1},
      {"1.2.3", 1},
      {" -+/@[`{~", 1},
      {"\x80\xc3\xa9\xff", 1},
      {"x1.2.3.4", 0},
      {"1.2.3.4x", 0},
      {"1.2.A.4", 0},
      {"Z", 0},
      {"a", 0},
      {"localhost", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.isAddress, IsHostAddress(c.text)) << Visible(c.text);
  }
}

TEST(ReportSocketError, PrintsTheMessageOfEachCode) {
  const struct {
    int code;
    std::string printed;
  } cases[] = {
      {10004, "The (blocking) call was canceled using WSACancelBlockingCall.\r\n"},
      {10022,
       "The Windows Sockets version specified by the application is not supported by this DLL."},
      {10036, "A blocking Windows Sockets operation is in progress.\r\n"},
      {10050, "Network failure\r\n"},
      {10091, "The underlying network subsystem is not ready for network communication."},
      {10092,
       "The version of Windows Sockets support requested is not provided by this particular "
       "Windows "
       "Sockets implementation."},
      {10093, "A successful WSAStartup must occur before using this function.\r\n"},
      {11001, "Host not found\r\n"},
      {11002, "Non-Authoritative Host not found, or SERVERFAIL.\r\n"},
      {11003, "Nonrecoverable errors: FORMERR, REFUSED, NOTIMP.\r\n"},
      {11004, "Valid name, no data record of requested type.\r\n"},
      {11005, "Unknown Winsock error: 11005\r\n"},
      {0, "Unknown Winsock error: 0\r\n"},
      {-2147483647 - 1, "Unknown Winsock error: -2147483648\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_BYTES(c.printed, CaptureConsole([&] { ReportSocketError(c.code); }));
  }
}

}  // namespace
