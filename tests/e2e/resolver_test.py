#!/usr/bin/python3
"""The built nettell against the C library's real resolver.

Runs inside a private namespace (private_namespace.py) with hosts-file
fixtures and a scripted DNS server on 127.0.0.1 (dns_responder.py). Each
output is compared byte for byte; for DNS answers the expected bytes and
exit status come from the C library's own answer to the same question
(libc_answer), so nettell must report exactly the class the C library does.

Environment: NETTELL and LIBC_ANSWER name the two programs.
"""

import fcntl
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import private_namespace  # noqa: E402
import dns_responder  # noqa: E402
from dns_responder import long_name  # noqa: E402

NETTELL = os.environ.get("NETTELL", "")
# A command that nettell runs under, such as valgrind, split into words.
WRAPPER = os.environ.get("NETTELL_WRAPPER", "").split()
LIBC_ANSWER = os.environ.get("LIBC_ANSWER", "")

LOCAL_NAME = "nettellhost"
WIDE = ["10.4.%d.%d" % (i // 200, i % 200) for i in range(600)]
ALIASES = ["alias-%d" % i for i in range(400)]

HOSTS = "\n".join(
    [
        "127.0.0.1 localhost",
        "10.0.0.9 " + LOCAL_NAME,
        "10.1.0.1 one.hosts.test",
        "10.1.0.2 two.hosts.test alias2a",
        "10.1.0.3 two.hosts.test",
        "10.1.0.4 many.hosts.test m1 m2 m3",
    ]
    + ["10.1.0.%d many.hosts.test" % i for i in range(5, 9)]
    + ["%s wide.hosts.test" % address for address in WIDE]
    + ["10.3.0.1 aliased.hosts.test " + " ".join(ALIASES)]
) + "\n"

FIXTURES = {
    "hosts": HOSTS,
    "host.conf": "multi on\n",
    "nsswitch.conf": "hosts: files dns\n",
    "resolv.conf": "nameserver 127.0.0.1\noptions timeout:1 attempts:1\n",
}

USAGE = (
    b"usage: nettell [HostName | HostAddress | /v | /?]\r\r\n"
    b"  e.g.1 nettell fileserver\r\r\n"
    b"  e.g.2 nettell 123.45.678.90\r\r\n"
    b'Note: "/v" selects verbose output, detailing sockets calls and results.\r\r\n'
    b'      "/?" displays the sockets version number and state.\r\r\n'
)
VERBOSE_START = b"Verbose mode\r\r\nWSAStartup( 257, &SocketData ) returned 0 (success)\r\r\n"
VERBOSE_RELEASE = b"WSACleanup() returned 0 (success)\r\r\n"

# The C library's failure classes (h_errno): message and exit status.
FAILURES = {
    1: (b"Host not found\r\n", 1),
    2: (b"Non-Authoritative Host not found, or SERVERFAIL.\r\n", 2),
    3: (b"Nonrecoverable errors: FORMERR, REFUSED, NOTIMP.\r\n", 3),
    4: (b"Valid name, no data record of requested type.\r\n", 1),
}


def as_bytes(text):
    return text if isinstance(text, bytes) else text.encode("latin-1")


def wire(text):
    """Text as standard output carries it: every line feed after a carriage return."""
    return as_bytes(text).replace(b"\n", b"\r\n")


def heading(target):
    return b"\r\r\n" + wire(target) + b" -> "


def forward_report(target, addresses):
    indent = b"\r\r\n    " + b" " * len(as_bytes(target))
    text = heading(target) + b"".join(
        (indent if i else b"") + as_bytes(address) + b" " for i, address in enumerate(addresses)
    )
    return text + b"(%d address%s)\r\r\n" % (len(addresses), b"es" if len(addresses) > 1 else b"")


def reverse_report(target, name, aliases):
    indent = b"\r\r\n" + b" " * len(as_bytes(target)) + b"    "
    text = heading(target) + (wire(name) + b" " if name is not None else b"")
    text += b"".join(indent + wire(alias) + b" " for alias in aliases)
    return text + b"(%d alias%s)\r\r\n" % (len(aliases), b"" if len(aliases) == 1 else b"es")


def libc_answer(kind, target):
    """What the C library answers: ("found", name or None, aliases, addresses)
    or ("failed", h_errno, errno)."""
    fields = subprocess.run(
        [LIBC_ANSWER, kind, as_bytes(target)], capture_output=True, check=True
    ).stdout.split(b"\0")[:-1]
    if fields[0] == b"failed":
        return ("failed", int(fields[1]), int(fields[2]))
    has_name, name, count = fields[1] == b"1", fields[2], int(fields[3])
    aliases = fields[4 : 4 + count]
    addresses = fields[5 + count :]
    return ("found", name if has_name else None, aliases, addresses)


def parse_dotted(text):
    """The four numbers of dotted text, read as nettell's own rules say:
    white space before a number, an optional sign, decimal digits, wrapped
    to 32 bits; missing numbers are 0."""
    text, at, numbers = as_bytes(text), 0, []
    while len(numbers) < 4:
        if numbers:
            if text[at : at + 1] != b".":
                break
            at += 1
        match = re.match(rb"[\t\n\v\f\r ]*([+-]?)([0-9]+)", text[at:])
        if not match:
            break
        value = int(match.group(2)) * (-1 if match.group(1) == b"-" else 1) % 2**32
        numbers.append(value - 2**32 if value >= 2**31 else value)
        at += match.end()
    return numbers + [0] * (4 - len(numbers))


def query_address(text):
    return ".".join(str(n & 0xFF) for n in parse_dotted(text))


def expected_from_libc(target):
    """The bytes and exit status nettell owes for target, from the C library's answer."""
    is_address = not re.search(rb"[A-Za-z]", as_bytes(target))
    if is_address:
        answer = libc_answer("address", query_address(target))
    else:
        answer = libc_answer("name", target)
    if answer[0] == "failed":
        h_errno = answer[1]
        if h_errno not in FAILURES:
            raise AssertionError("the C library failed without a class: %r" % (answer,))
        message, status = FAILURES[h_errno]
        return heading(target) + message, status, answer
    if is_address:
        return reverse_report(target, answer[1], answer[2]), 0, answer
    return forward_report(target, answer[3]), 0, answer


def run_nettell(*arguments, to_file=False):
    """nettell's output and exit status, written to a pipe or to a file."""
    command = WRAPPER + [NETTELL] + [as_bytes(a) for a in arguments]
    if not to_file:
        result = subprocess.run(command, stdout=subprocess.PIPE, timeout=60)
        return result.stdout, result.returncode
    with tempfile.TemporaryFile() as output:
        status = subprocess.run(command, stdout=output, timeout=60).returncode
        output.seek(0)
        return output.read(), status


def without_references(output):
    """The trace lines' record references, which differ from run to run,
    checked to be non-zero and replaced by N."""
    for reference in re.findall(rb"returned address (-?\d+)", output):
        assert int(reference) != 0, output
    return re.sub(rb"returned address -?\d+", b"returned address N", output)


class Bytes(unittest.TestCase):
    maxDiff = None

    def assertBytes(self, expected, actual):
        self.assertEqual(expected, actual, "\nexpected %r\nactual   %r" % (expected, actual))

    def assertRun(self, arguments, expected, status):
        for to_file in (False, True):
            with self.subTest(arguments=arguments, to_file=to_file):
                output, code = run_nettell(*arguments, to_file=to_file)
                self.assertBytes(expected, without_references(output))
                self.assertEqual(status, code)


class HostsFile(Bytes):
    """Answers from the bound hosts file, compared with written-down bytes."""

    def test_forward_reports(self):
        cases = [
            ("one.hosts.test", b"\r\r\none.hosts.test -> 10.1.0.1 (1 address)\r\r\n"),
            (
                "two.hosts.test",
                b"\r\r\ntwo.hosts.test -> 10.1.0.2 \r\r\n"
                b"                  10.1.0.3 (2 addresses)\r\r\n",
            ),
            (
                "many.hosts.test",
                b"\r\r\nmany.hosts.test -> 10.1.0.4 \r\r\n"
                + b"".join(b"                   10.1.0.%d \r\r\n" % i for i in range(5, 8))
                + b"                   10.1.0.8 (5 addresses)\r\r\n",
            ),
        ]
        for name, expected in cases:
            self.assertRun([name], expected, 0)

    def test_reverse_reports(self):
        cases = [
            ("10.1.0.1", b"\r\r\n10.1.0.1 -> one.hosts.test (0 aliases)\r\r\n"),
            ("10.1.0.2", b"\r\r\n10.1.0.2 -> two.hosts.test \r\r\n            alias2a (1 alias)\r\r\n"),
            (
                "10.1.0.4",
                b"\r\r\n10.1.0.4 -> many.hosts.test \r\r\n            m1 \r\r\n"
                b"            m2 \r\r\n            m3 (3 aliases)\r\r\n",
            ),
            ("010.1.0.0004", b"\r\r\n010.1.0.0004 -> many.hosts.test \r\r\n"
             b"                m1 \r\r\n                m2 \r\r\n                m3 (3 aliases)\r\r\n"),
        ]
        for address, expected in cases:
            self.assertRun([address], expected, 0)

    def test_local_machine(self):
        local = b"\r\r\n" + LOCAL_NAME.encode() + b" -> 10.0.0.9 (1 address)\r\r\n"
        self.assertRun([], USAGE + b"\r\nLocal name:" + local, 0)
        self.assertRun(
            ["/v"],
            VERBOSE_START
            + b'\r\nLocal name:gethostbyname( "nettellhost" ) returned address N'
            + local
            + VERBOSE_RELEASE,
            0,
        )

    def test_verbose_reverse(self):
        self.assertRun(
            ["-V", "10.1.0.1"],
            VERBOSE_START
            + b'gethostbyaddr( "10.1.0.1", 4, PF_INET ) returned address N'
            + b"\r\r\n10.1.0.1 -> one.hosts.test (0 aliases)\r\r\n"
            + VERBOSE_RELEASE,
            0,
        )

    def test_status_names_the_c_library(self):
        version = os.confstr("CS_GNU_LIBC_VERSION").split()[-1].encode()
        output, status = run_nettell("/?")
        self.assertEqual(0, status)
        self.assertRegex(output, rb"^nettell \S+ sockets 1\.1 on the GNU C Library " + re.escape(version)
                         + rb"\r\r\nStatus: [^\r\n]+\r\r\n$")

    def test_long_reports_to_a_file_and_a_pipe(self):
        forward = forward_report("wide.hosts.test", WIDE)
        reverse = reverse_report("10.3.0.1", "aliased.hosts.test", ALIASES)
        self.assertGreater(len(forward), 4096)
        self.assertGreater(len(reverse), 4096)
        self.assertRun(["wide.hosts.test"], forward, 0)
        self.assertRun(["10.3.0.1"], reverse, 0)


class Dns(Bytes):
    """Answers from the scripted DNS server, compared with the C library's."""

    ZONE = "nettell.test"

    def assertLikeLibc(self, target, *options):
        expected, status, answer = expected_from_libc(target)
        self.assertRun(list(options) + [target], expected, status)
        return answer

    def test_a_records(self):
        self.assertEqual(("found", b"a.nettell.test", [], [b"192.0.2.1"]), self.assertLikeLibc("a.nettell.test"))
        self.assertEqual(
            [b"192.0.2.30", b"192.0.2.10", b"192.0.2.20"], self.assertLikeLibc("three.nettell.test")[3]
        )
        self.assertEqual([b"192.0.2.1"], self.assertLikeLibc("cname.nettell.test")[3])

    def test_asks_only_for_ipv4(self):
        RESPONDER.take_queries()
        run_nettell("a.nettell.test")
        self.assertEqual([("udp", "a.nettell.test", "A")], RESPONDER.take_queries())

    def test_failures_take_the_c_librarys_class(self):
        classes = {}
        for name in ["nodata", "nxdomain", "servfail", "refused", "formerr", "notimp"]:
            answer = self.assertLikeLibc(name + ".nettell.test")
            self.assertEqual("failed", answer[0])
            classes[name] = answer[1]
        self.assertEqual(4, classes["nodata"])
        self.assertEqual(1, classes["nxdomain"])
        self.assertEqual(2, classes["servfail"])
        self.assertEqual("failed", self.assertLikeLibc("ghost")[0])
        print("\nC library classes (h_errno): %s" % classes, file=sys.stderr)

    def test_reverse_answers(self):
        self.assertEqual(("found", b"a.nettell.test"), self.assertLikeLibc("192.0.2.1")[:2])
        for address in ["192.0.2.2", "192.0.2.3", "192.0.2.4", "192.0.2.6", "192.0.2.7", "192.0.2.9"]:
            self.assertLikeLibc(address)

    def test_hundreds_of_addresses_over_tcp(self):
        RESPONDER.take_queries()
        answer = self.assertLikeLibc("hundreds.nettell.test")
        self.assertEqual(300, len(answer[3]))
        self.assertIn(("tcp", "hundreds.nettell.test", "A"), RESPONDER.take_queries())

    def test_long_and_unusual_names(self):
        names = [
            long_name(253),
            long_name(254),
            long_name(300),
            b"sp ace.any.nettell.test",
            b"under_score.any.nettell.test",
            b"\xc3\xa9t\xc3\xa9.any.nettell.test",
            b"a\x01b.any.nettell.test",
            b"tab\there.any.nettell.test",
            b"new\nline.any.nettell.test",
            b"%s%n%d.any.nettell.test",
            b"-lead.any.nettell.test",
            b"..any.nettell.test",
            b"x" * 64 + b".any.nettell.test",
        ]
        for name in names:
            with self.subTest(name=name):
                self.assertLikeLibc(name)

    def test_silent_server_ends_after_the_resolvers_own_timeout(self):
        target = "silent.nettell.test"
        started = time.monotonic()
        expected, status, answer = expected_from_libc(target)
        libc_seconds = time.monotonic() - started
        self.assertEqual(("failed", 2), answer[:2])
        started = time.monotonic()
        output, code = run_nettell(target)
        nettell_seconds = time.monotonic() - started
        self.assertBytes(expected, output)
        self.assertEqual(2, code)
        # nettell waits as long as the resolver does, and no longer.
        if not WRAPPER:
            self.assertLess(nettell_seconds, libc_seconds + 1.0)
        self.assertLikeLibc("192.0.2.5")


class HostileInput(Bytes):
    """Arguments of any length and bytes: well-formed output, the right status."""

    def assertLikeLibc(self, target, *options):
        expected, status, _ = expected_from_libc(target)
        self.assertRun(list(options) + [target], expected, status)

    def test_argument_lengths(self):
        for length in [0, 1, 255, 256, 100000]:
            self.assertLikeLibc(b"a" * length)
        self.assertLikeLibc(long_name(253))

    def test_every_byte_in_a_name(self):
        # Under a slow wrapper such as valgrind, a sample of the bytes.
        for value in range(1, 256, 7 if WRAPPER else 1):
            self.assertLikeLibc(b"a" + bytes([value]) + b".any.nettell.test")

    def test_printf_directives(self):
        for name in [b"%s%s%s%n%n%x%p.any.nettell.test", b"%99999999d%1$s", b"%%%"]:
            self.assertLikeLibc(name)

    def test_thousands_of_arguments(self):
        report = b"\r\r\none.hosts.test -> 10.1.0.1 (1 address)\r\r\n"
        self.assertRun(["one.hosts.test"] + ["extra%d" % i for i in range(5000)], report, 0)
        self.assertRun(["/v"] * 3000 + ["one.hosts.test"], VERBOSE_START
                       + b'gethostbyname( "one.hosts.test" ) returned address N' + report
                       + VERBOSE_RELEASE, 0)

    def test_dotted_text(self):
        self.assertEqual("10.1.0.1", query_address(" 10.\t1.+0.0001"))
        self.assertEqual("255.255.255.255", query_address("-1.-1.-1.-1"))
        self.assertEqual("0.0.0.1", query_address("4294967296.0.0.1"))
        for text in [" 10.\t1.+0.0001", "-1.-1.-1.-1", "4294967296.0.0.1", "99999999999999999999999.1.0.1",
                     "10.1.0.1.99", "10 .1.0.1", "+-1.2.3.4", "10.1", "...", "\t", "-", "10.1.0.1\n",
                     "266.257.256.257"]:
            self.assertLikeLibc(text)


class FailedOutput(unittest.TestCase):
    """Output that cannot be written: no signal death, no hang, status 3
    for a run that would otherwise have succeeded."""

    def run_to(self, arguments, **how):
        return subprocess.run(WRAPPER + [NETTELL] + arguments, timeout=60, **how).returncode

    def test_closed_standard_output(self):
        close = lambda: os.close(1)  # noqa: E731
        for arguments, status in [(["wide.hosts.test"], 3), (["/?"], 3), ([], 3), (["nxdomain.nettell.test"], 1)]:
            with self.subTest(arguments=arguments):
                self.assertEqual(status, self.run_to(arguments, preexec_fn=close))

    def test_full_device(self):
        with open("/dev/full", "wb") as full:
            for arguments, status in [(["one.hosts.test"], 3), (["wide.hosts.test"], 3), (["/v", "10.3.0.1"], 3),
                                      (["servfail.nettell.test"], 2)]:
                with self.subTest(arguments=arguments):
                    self.assertEqual(status, self.run_to(arguments, stdout=full))

    def test_reader_that_closes_early(self):
        for arguments in [["wide.hosts.test"], ["10.3.0.1"]]:
            with self.subTest(arguments=arguments):
                reader, writer = os.pipe()
                fcntl.fcntl(writer, 1031, 4096)  # F_SETPIPE_SZ: the pipe fills at once
                process = subprocess.Popen(WRAPPER + [NETTELL] + arguments, stdout=writer)
                os.close(writer)
                self.assertEqual(10, len(os.read(reader, 10)))
                os.close(reader)
                self.assertEqual(3, process.wait(timeout=60))


RESPONDER = None


def setUpModule():
    global RESPONDER

    directory = tempfile.mkdtemp(prefix="nettell-e2e-")
    private_namespace.install(directory, FIXTURES, LOCAL_NAME)
    RESPONDER = dns_responder.Responder()


def tearDownModule():
    RESPONDER.stop()


if __name__ == "__main__":
    if not (os.access(NETTELL, os.X_OK) and os.access(LIBC_ANSWER, os.X_OK)):
        sys.exit("set NETTELL and LIBC_ANSWER to the built programs")
    private_namespace.reenter_inside()
    unittest.main(verbosity=2)
