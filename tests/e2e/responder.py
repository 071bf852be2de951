#!/usr/bin/env python3
"""Several hostile WS-Discovery devices on one host, for tests/e2e/network.sh.

    responder.py ADDRESS OTHER_ADDRESS HELD_FILE

Answers every Probe and Resolve over IPv4 from ADDRESS and serves each
device's metadata on port 5357. One device's XAddrs name OTHER_ADDRESS, also
this host's, so that a fetch there is seen. The silent device takes the
connection and never answers; HELD_FILE exists while the first such connection
is open. Prints one line per fetch.
"""
import http.server
import os
import re
import socket
import sys
import threading
import uuid

ADDRESS, OTHER, HELD = sys.argv[1:4]
NS = ('xmlns:soap="http://www.w3.org/2003/05/soap-envelope" '
      'xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" '
      'xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery" '
      'xmlns:wsx="http://schemas.xmlsoap.org/ws/2004/09/mex" '
      'xmlns:wsdp="http://schemas.xmlsoap.org/ws/2006/02/devprof" '
      'xmlns:pub="http://schemas.microsoft.com/windows/pub/2005/07"')
# Nested entities: a parser that expands them lists \\LAUGHS, or runs out of
# memory on the name beside it first.
LAUGHS = ('<!DOCTYPE soap:Envelope [<!ENTITY n "LAUGHS"><!ENTITY l0 "lol">' +
          ''.join(f'<!ENTITY l{i} "{f"&l{i - 1};" * 10}">' for i in range(1, 10)) + ']>')

# name, where its XAddrs first come (probe, or resolve alone), their host, and
# the pub:Computer text. The silent device answers first, so that a lookup
# that waited for it would list nothing else until it gave up on it.
DEVICES = [('silent', 'probe', ADDRESS, 'SILENT/Workgroup:OFFICE'),
           ('good', 'resolve', ADDRESS, 'ДРУК-СЕРВЕР/Workgroup:OFFICE'),
           ('forbidden', 'probe', ADDRESS, 'BAD*NAME/Workgroup:X'),
           ('foreign', 'resolve', OTHER, 'ELSEWHERE/Workgroup:OFFICE'),
           ('laughs', 'probe', ADDRESS, '&n;/Workgroup:X'),
           ('samename', 'probe', ADDRESS, 'printsrv1/Workgroup:OFFICE')]
URN = {d[0]: uuid.uuid5(uuid.NAMESPACE_DNS, d[0] + '.zelvane.test').urn for d in DEVICES}


def envelope(action, relates, body, prolog=''):
    return (f'<?xml version="1.0" encoding="utf-8"?>{prolog}<soap:Envelope {NS}><soap:Header>'
            '<wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To>'
            f'<wsa:Action>{action}</wsa:Action><wsa:MessageID>{uuid.uuid4().urn}</wsa:MessageID>'
            f'<wsa:RelatesTo>{relates}</wsa:RelatesTo>'
            '<wsd:AppSequence InstanceId="1" MessageNumber="1"/>'
            f'</soap:Header><soap:Body>{body}</soap:Body></soap:Envelope>').encode()


def match(kind, name, host, xaddrs):
    where = f'<wsd:XAddrs>http://{host}:5357/{name}</wsd:XAddrs>' if xaddrs else ''
    return (f'<wsd:{kind}Matches><wsd:{kind}Match><wsa:EndpointReference><wsa:Address>{URN[name]}'
            '</wsa:Address></wsa:EndpointReference><wsd:Types>wsdp:Device pub:Computer</wsd:Types>'
            f'{where}<wsd:MetadataVersion>1</wsd:MetadataVersion></wsd:{kind}Match></wsd:{kind}Matches>')


def field(text, tag):
    found = re.search(rf'<(?:\w+:)?{tag}\b[^>]*>\s*([^<]*?)\s*</', text)
    return found.group(1) if found else ''


def discovery():
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind(('', 3702))
    sock.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                    socket.inet_aton('239.255.255.250') + socket.inet_aton(ADDRESS))
    out = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    out.bind((ADDRESS, 0))  # every answer from ADDRESS, whichever address its XAddrs name
    while True:
        data, sender = sock.recvfrom(65536)
        text = data.decode('utf-8', 'replace')
        asked, action = field(text, 'MessageID'), field(text, 'Action').rpartition('/')[2]
        for name, first, host, _ in DEVICES:
            if action == 'Probe':
                reply = envelope('http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches', asked,
                                 match('Probe', name, host, first == 'probe'))
            elif action == 'Resolve' and URN[name] in text:
                reply = envelope('http://schemas.xmlsoap.org/ws/2005/04/discovery/ResolveMatches', asked,
                                 match('Resolve', name, host, True))
            else:
                continue
            out.sendto(reply, sender)


class Metadata(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    held = threading.Lock()

    def do_POST(self):
        name = self.path.strip('/')
        body = self.rfile.read(int(self.headers.get('Content-Length', 0))).decode('utf-8', 'replace')
        print(f'fetched {name} at {self.connection.getsockname()[0]}', flush=True)
        device = [d for d in DEVICES if d[0] == name]
        if not device or field(body, 'To') != URN[name] or not field(body, 'Action').endswith('/transfer/Get'):
            print(f'refused {name}: not a Get addressed to {URN.get(name)}', flush=True)
            self.send_error(400)
            return
        if name == 'silent':
            self.hold()
            return
        computer = device[0][3]
        meta = ('<wsx:Metadata><wsx:MetadataSection Dialect="http://schemas.xmlsoap.org/ws/2006/02/devprof/'
                'Relationship"><wsdp:Relationship Type="http://schemas.xmlsoap.org/ws/2006/02/devprof/host">'
                f'<wsdp:Host><wsa:EndpointReference><wsa:Address>{URN[name]}</wsa:Address></wsa:EndpointReference>'
                f'<wsdp:Types>pub:Computer</wsdp:Types><wsdp:ServiceId>{URN[name]}</wsdp:ServiceId>'
                f'<pub:Computer>{computer}</pub:Computer></wsdp:Host>'
                + ('<wsdp:FriendlyName>&l9;</wsdp:FriendlyName>' if name == 'laughs' else '') +
                '</wsdp:Relationship></wsx:MetadataSection></wsx:Metadata>')
        doc = envelope('http://schemas.xmlsoap.org/ws/2004/09/transfer/GetResponse', field(body, 'MessageID'),
                       meta, LAUGHS if name == 'laughs' else '')
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
            print('silent released', flush=True)
        self.close_connection = True

    def log_message(self, *args):
        pass


threading.Thread(target=discovery, daemon=True).start()
http.server.ThreadingHTTPServer(('', 5357), Metadata).serve_forever()
