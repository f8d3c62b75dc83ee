"""A private namespace for tests that reach the resolver.

The test re-runs itself under `unshare -m -u -n`: its own mounts, host name
and network, where only loopback exists. There it binds its own hosts,
host.conf, nsswitch.conf and resolv.conf over the machine's, so that no
query can leave the namespace and the machine's nameserver is never asked.
"""

import os
import shutil
import socket
import subprocess
import sys

SKIP = 77  # what CTest is told means "skipped"
MARK = "NETTELL_PRIVATE_NAMESPACE"


def why_not_possible():
    """None when a private namespace can be made here, else the reason."""
    if os.geteuid() != 0:
        return "not running as root"
    for tool in ("unshare", "mount", "ip"):
        if shutil.which(tool) is None:
            return "no %s command" % tool
    probe = subprocess.run(["unshare", "-m", "-u", "-n", "true"], capture_output=True, text=True)
    if probe.returncode != 0:
        return "unshare failed: " + probe.stderr.strip()
    return None


def reenter_inside():
    """Runs this script again inside a new namespace and exits with its status.

    Returns at once when already inside. Where no namespace can be made, says
    so and exits as skipped, except under CI, where that is a failure."""
    if os.environ.get(MARK) == "1":
        return
    reason = why_not_possible()
    if reason is not None:
        print("SKIPPED: cannot make a private namespace: " + reason, flush=True)
        sys.exit(1 if os.environ.get("CI") == "true" else SKIP)
    env = dict(os.environ, **{MARK: "1"})
    command = ["unshare", "-m", "-u", "-n", "--", sys.executable, os.path.abspath(sys.argv[0])]
    sys.exit(subprocess.run(command + sys.argv[1:], env=env).returncode)


def install(directory, files, hostname):
    """Binds each of files (name in /etc -> text) over /etc, brings up
    loopback and sets the host name. Only valid inside the namespace."""
    assert os.environ.get(MARK) == "1", "fixtures go only into a private namespace"
    subprocess.run(["mount", "--make-rprivate", "/"], check=True)
    for name, text in files.items():
        path = os.path.join(directory, name)
        with open(path, "wb") as f:
            f.write(text if isinstance(text, bytes) else text.encode())
        target = os.path.join("/etc", name)
        if not os.path.exists(target):
            raise RuntimeError(target + " is missing: there is nothing to bind over")
        subprocess.run(["mount", "--bind", path, target], check=True)
    # A name service cache daemon would answer from the machine's cache.
    for cache in ("/var/run/nscd", "/run/nscd"):
        if os.path.isdir(cache):
            subprocess.run(["mount", "-t", "tmpfs", "none", cache], check=True)
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    socket.sethostname(hostname)
