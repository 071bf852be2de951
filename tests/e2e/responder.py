#!/usr/bin/env python3
"""Several hostile WS-Discovery devices on one host, for tests/e2e/network.sh.

    responder.py HELD_FILE OTHER_IPV4 OTHER_IPV6

Answers every Probe and Resolve that reaches eth0, over IPv4 and IPv6, from
the address the asker reaches, and serves each device's metadata on port 5357.
Each device is two, one for each family, so that the lookup has to fetch over
both; the IPv6 one's computer has "-6" after its name, so that both are listed
only once both were fetched. One device's XAddrs name this host's other
address of the family, so that a fetch there is seen. The silent device takes
the connection and never answers; HELD_FILE exists while the first such
connection is open. Prints one line per fetch.
"""
import http.server
import os
import re
import socket
import sys
import threading
import uuid

HELD, OTHER = sys.argv[1], {socket.AF_INET: sys.argv[2], socket.AF_INET6: f'[{sys.argv[3]}]'}
NS = ('xmlns:soap="http://www.w3.org/2003/05/soap-envelope" '
      'xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" '
      'xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery" '
      'xmlns:wsx="http://schemas.xmlsoap.org/ws/2004/09/mex" '
      'xmlns:wsdp="http://schemas.xmlsoap.org/ws/2006/02/devprof" '
      'xmlns:pub="http://schemas.microsoft.com/windows/pub/2005/07"')
# Name, where its XAddrs first come (the ProbeMatch, or the ResolveMatch
# alone), and the pub:Computer text. The silent device answers first, so that
# a lookup that waited for it would list nothing else until it gave up on it.
# The unit tests have the hostile documents; here the platform's own HTTP and
# sockets meet hosts that hold a connection or point elsewhere.
DEVICES = {'silent': ('probe', 'SILENT/Workgroup:OFFICE'),
           'good': ('resolve', 'ДРУК-СЕРВЕР/Workgroup:OFFICE'),
           'foreign': ('resolve', 'ELSEWHERE/Workgroup:OFFICE')}


def log(line, lock=threading.Lock()):  # a line whole: fetches print from threads of their own
    with lock:
        print(line, flush=True)


def urn(name, family):
    return uuid.uuid5(uuid.NAMESPACE_DNS, f'{name}.{int(family)}.zelvane.test').urn


def field(text, tag):
    found = re.search(rf'<(?:\w+:)?{tag}\b[^>]*>\s*([^<]*?)\s*</', text)
    return found.group(1) if found else ''


def envelope(action, relates, body):
    return (f'<?xml version="1.0" encoding="utf-8"?><soap:Envelope {NS}><soap:Header>'
            '<wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To>'
            f'<wsa:Action>{action}</wsa:Action><wsa:MessageID>{uuid.uuid4().urn}</wsa:MessageID>'
            f'<wsa:RelatesTo>{relates}</wsa:RelatesTo><wsd:AppSequence InstanceId="1" MessageNumber="1"/>'
            f'</soap:Header><soap:Body>{body}</soap:Body></soap:Envelope>').encode()


def match(kind, address, xaddrs):
    return (f'<wsd:{kind}Matches><wsd:{kind}Match><wsa:EndpointReference><wsa:Address>{address}</wsa:Address>'
            '</wsa:EndpointReference><wsd:Types>wsdp:Device pub:Computer</wsd:Types>' +
            (f'<wsd:XAddrs>{xaddrs}</wsd:XAddrs>' if xaddrs else '') +
            f'<wsd:MetadataVersion>1</wsd:MetadataVersion></wsd:{kind}Match></wsd:{kind}Matches>')


def discovery(family, join):
    sock = socket.socket(family, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    if family == socket.AF_INET6:
        sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
    sock.bind(('', 3702))
    if family == socket.AF_INET:
        sock.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, join)
    else:
        sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_JOIN_GROUP, join)
    while True:
        data, sender = sock.recvfrom(65536)
        text = data.decode('utf-8', 'replace')
        asked, action = field(text, 'MessageID'), field(text, 'Action').rpartition('/')[2]
        out = socket.socket(family, socket.SOCK_DGRAM)
        out.connect(sender)  # from the address that the asker reaches
        me = out.getsockname()[0].partition('%')[0]
        me = me if family == socket.AF_INET else f'[{me}]'
        for name, (first, _) in DEVICES.items():
            address, where = urn(name, family), OTHER[family] if name == 'foreign' else me
            xaddrs = f'http://{where}:5357/{name}/{int(family)}'
            if action == 'Probe':
                out.send(envelope('http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches', asked,
                                  match('Probe', address, xaddrs if first == 'probe' else '')))
            elif action == 'Resolve' and address in text:
                out.send(envelope('http://schemas.xmlsoap.org/ws/2005/04/discovery/ResolveMatches', asked,
                                  match('Resolve', address, xaddrs)))
        out.close()


class Metadata(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    held = threading.Lock()

    def do_POST(self):
        name, _, family = self.path.strip('/').partition('/')
        body = self.rfile.read(int(self.headers.get('Content-Length', 0))).decode('utf-8', 'replace')
        local = self.connection.getsockname()[0].removeprefix('::ffff:')
        log(f'fetched {name} at {local}')
        if (name not in DEVICES or not family.isdigit() or field(body, 'To') != urn(name, int(family)) or
                not field(body, 'Action').endswith('/transfer/Get')):
            log(f'refused {self.path}: not a Get to its device')
            self.send_error(400)
            return
        if name == 'silent':
            self.hold()
            return
        device = urn(name, int(family))
        computer = DEVICES[name][1]
        if int(family) == socket.AF_INET6:  # a computer of its own, so that both fetches are awaited
            computer = computer.replace('/', '-6/', 1)
        meta = ('<wsx:Metadata><wsx:MetadataSection Dialect="http://schemas.xmlsoap.org/ws/2006/02/devprof/'
                'Relationship"><wsdp:Relationship Type="http://schemas.xmlsoap.org/ws/2006/02/devprof/host">'
                f'<wsdp:Host><wsa:EndpointReference><wsa:Address>{device}</wsa:Address></wsa:EndpointReference>'
                f'<wsdp:Types>pub:Computer</wsdp:Types><wsdp:ServiceId>{device}</wsdp:ServiceId>'
                f'<pub:Computer>{computer}</pub:Computer></wsdp:Host>'
                '</wsdp:Relationship></wsx:MetadataSection></wsx:Metadata>')
        doc = envelope('http://schemas.xmlsoap.org/ws/2004/09/transfer/GetResponse', field(body, 'MessageID'), meta)
        self.send_response(200)
        self.send_header('Content-Type', 'application/soap+xml')
        self.send_header('Content-Length', str(len(doc)))
        self.end_headers()
        self.wfile.write(doc)

    def hold(self):
        first = Metadata.held.acquire(blocking=False)
        if first:
            open(HELD, 'w').close()
        try:
            while self.connection.recv(4096):  # until the client closes it
                pass
        except OSError:
            pass
        if first:
            os.remove(HELD)
            log('silent released')
        self.close_connection = True

    def log_message(self, *args):
        pass


class Server(http.server.ThreadingHTTPServer):
    address_family = socket.AF_INET6  # and IPv4, through mapped addresses


eth0 = socket.if_nametoindex('eth0').to_bytes(4, sys.byteorder)
for family, join in ((socket.AF_INET, socket.inet_aton('239.255.255.250') + bytes(4) + eth0),
                     (socket.AF_INET6, socket.inet_pton(socket.AF_INET6, 'ff02::c') + eth0)):
    threading.Thread(target=discovery, args=(family, join), daemon=True).start()
Server(('::', 5357), Metadata).serve_forever()
