#!/usr/bin/env python3
"""make bench's network rows (BENCHMARKS.md, the baselines), run by
tests/e2e/network.sh --bench in its client's namespace:

    network.py ROUNDS ADDRESS DRIVER ZELVANE NAME...
"""
import http.client
import re
import socket
import statistics
import subprocess
import sys
import threading
import time
import uuid

ROUNDS, ADDRESS, DRIVER, ZELVANE, NAMES = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:]
WSD = 'http://schemas.xmlsoap.org/ws/2005/04/discovery'
# Zelvane's messages (browse/discovery.cpp).
HEAD = ('<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope" '
        f'xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:wsd="{WSD}" '
        'xmlns:wsdp="http://schemas.xmlsoap.org/ws/2006/02/devprof"><soap:Header><wsa:To>{}</wsa:To>'
        '<wsa:Action>{}</wsa:Action><wsa:MessageID>{}</wsa:MessageID>')
PROBE = '</soap:Header><soap:Body><wsd:Probe><wsd:Types>wsdp:Device</wsd:Types></wsd:Probe></soap:Body></soap:Envelope>'
RESOLVE = ('</soap:Header><soap:Body><wsd:Resolve><wsa:EndpointReference><wsa:Address>{}</wsa:Address>'
           '</wsa:EndpointReference></wsd:Resolve></soap:Body></soap:Envelope>')
GET = ('<wsa:ReplyTo><wsa:Address>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:Address>'
       '</wsa:ReplyTo></soap:Header><soap:Body/></soap:Envelope>')


def message(to, action, rest):
    return (HEAD.format(to, action, uuid.uuid4().urn) + rest).encode()


def fetch(epr, xaddrs, arrived):
    host, _, path = xaddrs.split()[0].removeprefix('http://').partition('/')
    conn = http.client.HTTPConnection(host, timeout=10)
    conn.request('POST', '/' + path, message(epr, 'http://schemas.xmlsoap.org/ws/2004/09/transfer/Get', GET),
                 {'Content-Type': 'application/soap+xml'})  # wsdd2 refuses a charset
    name = re.search(r'<(?:\w+:)?Computer>([^/<]*)', conn.getresponse().read().decode())
    arrived[name[1].lower() if name else epr] = time.perf_counter()


def floor():
    """The ms from the Probe to the named hosts' last metadata, doing only what any client must wait for: one
    Probe, a Resolve where an answer has no XAddrs, each host's Get as soon as its address is known, all at once."""
    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)  # multicast's TTL 1 by default
    udp.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(ADDRESS))
    udp.bind((ADDRESS, 0))  # the test network's address: it exists nowhere else
    udp.settimeout(10)
    group, to = ('239.255.255.250', 3702), 'urn:schemas-xmlsoap-org:ws:2005:04:discovery'
    asked, fetches, arrived = set(), [], {}
    start = time.perf_counter()
    udp.sendto(message(to, f'{WSD}/Probe', PROBE), group)
    while len(fetches) < len(NAMES):
        text = udp.recv(65536).decode()
        epr = re.search(r'EndpointReference>\s*<(?:\w+:)?Address>\s*([^<\s]+)', text)[1]
        xaddrs = re.search(r'<(?:\w+:)?XAddrs>([^<]*)<', text)
        if (epr, bool(xaddrs)) in asked:  # the hosts repeat their answers
            continue
        asked.add((epr, bool(xaddrs)))
        if xaddrs:
            fetches.append(threading.Thread(target=fetch, args=(epr, xaddrs[1], arrived)))
            fetches[-1].start()
        else:
            udp.sendto(message(to, f'{WSD}/Resolve', RESOLVE.format(epr)), group)
    for f in fetches:
        f.join()
    udp.close()
    if not all(n.lower() in arrived for n in NAMES):
        sys.exit(f'the floor fetched {", ".join(arrived)} of {", ".join(NAMES)}')
    return (max(arrived[n.lower()] for n in NAMES) - start) * 1000


def zelvane():  # the time to the last host listed, and the window's longest wait
    run = subprocess.run(['wine', DRIVER, '--network-bench', ZELVANE] + NAMES, stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, text=True)
    if run.returncode:
        sys.exit(f'e2e_driver --network-bench failed ({run.returncode})')
    return [float(ms) for ms in run.stdout.split()]


took, least, ratios, waits = [], [], [], []
for i in range(-1, ROUNDS):  # a first round of each, unmeasured, warms the caches; then each goes first in turn
    if i % 2:
        (z, wait), f = zelvane(), floor()
    else:
        f, (z, wait) = floor(), zelvane()
    if i >= 0:
        took.append(z), least.append(f), ratios.append(z / f), waits.append(wait)
median = statistics.median
print(f'| Show Remote Servers to the last of {len(NAMES)} WS-Discovery hosts listed (median of {ROUNDS} rounds) '
      f'| {median(took):.1f} ms | {median(least):.1f} ms | {median(ratios):.2f} | at most 1.3 |')
print(f"| ... the window's longest wait for a sent message meanwhile (median of the rounds; their longest "
      f'{max(waits):.1f} ms) | {median(waits):.1f} ms | - | - | reported |')
