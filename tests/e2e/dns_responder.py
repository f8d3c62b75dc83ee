"""A scripted DNS server for the end-to-end tests.

It listens on 127.0.0.1 port 53, over UDP and TCP, inside the private
network namespace that the tests make, and answers by query name: the name
says which scenario it is. Every query it receives is logged as
(transport, name, type) so that a test can check what the resolver asked.
"""

import socket
import struct
import threading
import traceback

from dnslib import A, CNAME, PTR, QTYPE, RCODE, RR, DNSLabel, DNSRecord

ZONE = "nettell.test"
UDP_LIMIT = 512  # the resolver sends no EDNS, so longer answers go over TCP


def long_name(length, suffix="any." + ZONE):
    """A name of exactly length bytes that ends in suffix, labels of at most 63."""
    labels = []
    room = length - len(suffix)
    while room > 0:
        size = min(63, room - 1)
        labels.append("x" * size)
        room -= size + 1
    return ".".join(labels + [suffix])


HUNDREDS = ["10.9.%d.%d" % (i // 256, i % 256) for i in range(300)]
LONG_PTR_TARGET = long_name(253)

# Forward scenarios: name -> list of A addresses, an rcode, or a behaviour.
A_RECORDS = {
    "a." + ZONE: ["192.0.2.1"],
    "three." + ZONE: ["192.0.2.30", "192.0.2.10", "192.0.2.20"],
    "hundreds." + ZONE: HUNDREDS,
}
RCODES = {
    "nodata." + ZONE: RCODE.NOERROR,
    "nxdomain." + ZONE: RCODE.NXDOMAIN,
    "servfail." + ZONE: RCODE.SERVFAIL,
    "refused." + ZONE: RCODE.REFUSED,
    "formerr." + ZONE: RCODE.FORMERR,
    "notimp." + ZONE: RCODE.NOTIMP,
}
SILENT = {"silent." + ZONE, "5.2.0.192.in-addr.arpa"}

# Reverse scenarios: the labels of each PTR target, so that a target may
# hold any bytes.
PTR_RECORDS = {
    "1.2.0.192.in-addr.arpa": [["a", "nettell", "test"]],
    "2.2.0.192.in-addr.arpa": [["p1", "nettell", "test"], ["p2", "nettell", "test"]],
    "4.2.0.192.in-addr.arpa": [[b"bad\x01name", b"nettell", b"test"]],
    "6.2.0.192.in-addr.arpa": [[b"sp ace", b"nettell", b"test"]],
    "9.2.0.192.in-addr.arpa": [LONG_PTR_TARGET.split(".")],
}
PTR_RCODES = {"7.2.0.192.in-addr.arpa": RCODE.SERVFAIL}


def as_bytes(label):
    return label if isinstance(label, bytes) else label.encode()


def query_name(request):
    """The question's name as text, bytes outside ASCII kept as escapes."""
    return ".".join(
        label.decode("latin-1") for label in request.q.qname.label
    ).lower()


def answer(request):
    """The reply to a parsed request, or None to stay silent."""
    name = query_name(request)
    qtype = request.q.qtype
    reply = request.reply()
    if name in SILENT:
        return None
    if name == "cname." + ZONE and qtype == QTYPE.A:
        reply.add_answer(RR(request.q.qname, QTYPE.CNAME, rdata=CNAME("a." + ZONE), ttl=60))
        reply.add_answer(RR("a." + ZONE, QTYPE.A, rdata=A("192.0.2.1"), ttl=60))
    elif name in A_RECORDS and qtype == QTYPE.A:
        for address in A_RECORDS[name]:
            reply.add_answer(RR(request.q.qname, QTYPE.A, rdata=A(address), ttl=60))
    elif name.endswith(".any." + ZONE) and qtype == QTYPE.A:
        reply.add_answer(RR(request.q.qname, QTYPE.A, rdata=A("192.0.2.99"), ttl=60))
    elif name in RCODES:
        reply.header.rcode = RCODES[name]
    elif name in PTR_RECORDS and qtype == QTYPE.PTR:
        for labels in PTR_RECORDS[name]:
            target = DNSLabel([as_bytes(label) for label in labels])
            reply.add_answer(RR(request.q.qname, QTYPE.PTR, rdata=PTR(target), ttl=60))
    elif name in PTR_RCODES:
        reply.header.rcode = PTR_RCODES[name]
    elif name in A_RECORDS or name.endswith(".any." + ZONE) or name in PTR_RECORDS:
        pass  # the name exists, but has no record of this type
    else:
        reply.header.rcode = RCODE.NXDOMAIN
    return reply


class Responder:
    """Serves answer() on 127.0.0.1:53 until stop()."""

    def __init__(self):
        self.queries = []
        self.lock = threading.Lock()
        self.udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.udp.bind(("127.0.0.1", 53))
        self.tcp = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.tcp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.tcp.bind(("127.0.0.1", 53))
        self.tcp.listen(16)
        self.running = True
        self.threads = [
            threading.Thread(target=self.serve_udp, daemon=True),
            threading.Thread(target=self.serve_tcp, daemon=True),
        ]
        for thread in self.threads:
            thread.start()

    def log(self, transport, request):
        with self.lock:
            self.queries.append((transport, query_name(request), QTYPE[request.q.qtype]))

    def take_queries(self):
        with self.lock:
            queries, self.queries = self.queries, []
        return queries

    def serve_udp(self):
        while self.running:
            try:
                data, peer = self.udp.recvfrom(4096)
                request = DNSRecord.parse(data)
            except Exception:  # a closed socket, or a packet that is not DNS
                continue
            self.log("udp", request)
            try:
                reply = answer(request)
                if reply is None:
                    continue
                packed = reply.pack()
                if len(packed) > UDP_LIMIT:
                    truncated = request.reply()
                    truncated.header.tc = 1
                    packed = truncated.pack()
                self.udp.sendto(packed, peer)
            except Exception:
                traceback.print_exc()

    def serve_tcp(self):
        while self.running:
            try:
                connection, _ = self.tcp.accept()
            except OSError:
                continue
            with connection:
                connection.settimeout(5)
                try:
                    while True:
                        head = connection.recv(2, socket.MSG_WAITALL)
                        if len(head) < 2:
                            break
                        (size,) = struct.unpack("!H", head)
                        request = DNSRecord.parse(connection.recv(size, socket.MSG_WAITALL))
                        self.log("tcp", request)
                        reply = answer(request)
                        if reply is None:
                            break
                        packed = reply.pack()
                        connection.sendall(struct.pack("!H", len(packed)) + packed)
                except Exception:
                    traceback.print_exc()

    def stop(self):
        self.running = False
        self.udp.close()
        self.tcp.close()
