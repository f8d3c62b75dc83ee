#!/usr/bin/python3
"""The built nettell on this machine, outside any private namespace.

Only localhost and 127.0.0.1 are looked up here: the hosts file answers
them and no query leaves the machine. Expected bytes come from the C
library's own answer (libc_answer).

Environment: NETTELL and LIBC_ANSWER name the two programs.
"""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from resolver_test import (  # noqa: E402
    NETTELL,
    LIBC_ANSWER,
    VERBOSE_RELEASE,
    VERBOSE_START,
    Bytes,
    expected_from_libc,
)


class OnThisMachine(Bytes):
    def test_localhost_and_its_address(self):
        for target in ["localhost", "127.0.0.1"]:
            expected, status, answer = expected_from_libc(target)
            self.assertEqual("found", answer[0])
            self.assertRun([target], expected, 0)
            self.assertRun(["/v", target], VERBOSE_START + expected_trace(target) + expected + VERBOSE_RELEASE, 0)

    def test_status_only(self):
        result = subprocess.run([NETTELL, "-h"], stdout=subprocess.PIPE)
        self.assertRegex(result.stdout, rb"^nettell [^\r\n]+\r\r\nStatus: [^\r\n]+\r\r\n$")
        self.assertEqual(0, result.returncode)

    @unittest.skipUnless(os.environ.get("NETTELL_CHECK_LINKS") == "1", "a sanitized build links its runtime")
    def test_links_nothing_but_the_c_library(self):
        dynamic = subprocess.run(["readelf", "-d", NETTELL], capture_output=True, text=True, check=True).stdout
        needed = sorted(line.split("[")[1].rstrip("]") for line in dynamic.splitlines() if "(NEEDED)" in line)
        self.assertEqual(["libc.so.6"], needed)


    def test_defines_no_c_library_name(self):
        # The sockets layer's calls carry the C library's names; defined
        # outside their namespace they would replace the C library's own.
        names = {"gethostbyname", "gethostbyaddr", "gethostname", "inet_ntoa", "WSAStartup",
                 "WSACleanup", "WSAGetLastError"}
        symbols = subprocess.run(["nm", "--defined-only", NETTELL], capture_output=True, text=True,
                                 check=True).stdout
        defined = {line.split()[-1] for line in symbols.splitlines()}
        self.assertEqual(set(), names & defined)
        self.assertTrue(any("7sockets13gethostbyname" in symbol for symbol in defined))


def expected_trace(target):
    if target[0].isdigit():
        return b'gethostbyaddr( "%s", 4, PF_INET ) returned address N' % target.encode()
    return b'gethostbyname( "%s" ) returned address N' % target.encode()


if __name__ == "__main__":
    if not (os.access(NETTELL, os.X_OK) and os.access(LIBC_ANSWER, os.X_OK)):
        sys.exit("set NETTELL and LIBC_ANSWER to the built programs")
    unittest.main(verbosity=2)
