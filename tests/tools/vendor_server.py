#!/usr/bin/env python3
"""A stand-in for the vendor's web services, on loopback, for the tests.

It answers the weather, time, time-server list, InfoNook and update-check
requests in the formats the program expects, plus a daytime-format page, and
can be told to misbehave (an "<Error>" answer, 404, authentication, a large
binary body, a delay, a stall, no answer at all). Every request is recorded
as one JSON line. docs/web-services.md describes the command line and knobs.

Python's standard library only; it listens on 127.0.0.1 and nowhere else.
"""

import argparse
import base64
import json
import os
import signal
import sys
import threading
import time
import urllib.parse
from datetime import datetime, timezone
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

DEFAULT_KNOBS = {
    # How to answer: normal, error, 404, auth, proxy-auth, big, delay, stall, hang,
    # and the hostile ones: huge, endless, endless-chunked, drip.
    "mode": "normal",
    # When set, the mode applies only to paths that begin with this text.
    "only": "",
    "delay_ms": 500,
    "user": "user",
    "password": "secret",
    "big_size": 10000,
    # "huge": a body of this many bytes, announced and streamed.
    "huge_size": 100 * 1000 * 1000,
    # "drip": one body byte every drip_ms, without end.
    "drip_ms": 1000,
    # The reported temperature; "weather" replaces the whole report when set.
    "temp": "72",
    "weather": None,
    "time_list": "time-a.example|time-b.example\r\n|time-c.example",
    # UTC time of the GetTime answer ("YYYYMMDDHHmmss"); now when unset.
    "utc": None,
    # The whole daytime page; made from the current time when unset.
    "daytime": None,
    "infonook_status": "True",
    "infonook_page": "<html><head><title>InfoNook</title></head><body>Your InfoNook page.</body></html>",
    "update": "False",
}

WEATHER_KEYS = ["Temp", "Location", "RecordedAt", "Updated", "Image", "Condition", "Visibility", "Humidity",
                "Wind", "Barometer", "Dewpoint", "HeatIndex", "WindChill", "Sunrise", "Sunset", "MoonPhase"]

VENDOR_PATHS = ("/cgi-bin/weatherfeed.exe", "/cgi-bin/TimeSync.exe", "/cgi-bin/InfoNook.exe",
                "/cgi-bin/ShowProduct.exe", "/daytime")


def big_body(size):
    """size bytes: a counting pattern with a NUL every 97th byte."""
    return bytes(0 if i % 97 == 0 else 33 + i % 90 for i in range(size))


def daytime_text(now):
    # Modified Julian day, YY-MM-DD HH:MM:SS, then the usual trailing fields.
    mjd = (now.date() - datetime(1858, 11, 17).date()).days
    return "\n%05d %s 00 0 0  50.0 UTC(NIST) * \n" % (mjd, now.strftime("%y-%m-%d %H:%M:%S"))


def weather_report(temp, zip_code):
    values = {
        "Temp": temp, "Location": "Testville " + zip_code, "RecordedAt": "Loopback Field",
        "Updated": "Dec 8, 2026 10:00 am", "Image": "sunny.gif", "Condition": "Sunny",
        "Visibility": "10 miles", "Humidity": "40%", "Wind": "N 5 mph", "Barometer": "30.01 in",
        "Dewpoint": "40", "HeatIndex": temp, "WindChill": temp, "Sunrise": "7:10 am",
        "Sunset": "4:40 pm", "MoonPhase": "Waxing Crescent",
    }
    return "".join("<%s>%s</%s>\r\n" % (k, values[k], k) for k in WEATHER_KEYS)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, args):
        super().__init__(address, Handler)
        self.args = args
        self.stopping = threading.Event()
        self.record_lock = threading.Lock()
        self.count = 0
        self.base_knobs = dict(DEFAULT_KNOBS)
        for key in DEFAULT_KNOBS:
            value = getattr(args, key, None)
            if value is not None:
                self.base_knobs[key] = value

    def knobs(self):
        knobs = dict(self.base_knobs)
        if self.args.knobs and os.path.exists(self.args.knobs):
            try:
                with open(self.args.knobs, encoding="utf-8") as f:
                    knobs.update(json.load(f))
            except (OSError, ValueError) as e:
                print("vendor_server: ignoring unreadable knobs file: %s" % e, file=sys.stderr)
        return knobs

    def record(self, entry):
        with self.record_lock:
            self.count += 1
            entry = dict({"n": self.count}, **entry)
            if self.args.record:
                with open(self.args.record, "a", encoding="utf-8") as f:
                    f.write(json.dumps(entry) + "\n")
                    f.flush()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "VendorTestServer/1.0"

    def log_message(self, fmt, *args):
        if self.server.args.verbose:
            sys.stderr.write("vendor_server: " + (fmt % args) + "\n")

    # ---- answers ----
    def send(self, status, body, content_type="text/plain", extra=None):
        if isinstance(body, str):
            body = body.encode("latin-1")
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in (extra or {}).items():
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def stream(self, block, pause_s=0.0, limit=None, chunked=False):
        """Writes `block` again and again (in chunked encoding when asked),
        `limit` bytes in all or without end, until the client goes or the
        server stops."""
        sent = 0
        try:
            while not self.server.stopping.is_set() and (limit is None or sent < limit):
                piece = block if limit is None else block[:limit - sent]
                if chunked:
                    self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
                else:
                    self.wfile.write(piece)
                self.wfile.flush()
                sent += len(piece)
                if pause_s and self.server.stopping.wait(pause_s):
                    break
        except OSError:
            pass  # the client gave up, as it should
        self.close_connection = True

    def hold(self):
        """Keeps the connection open without answering until the server stops."""
        self.server.stopping.wait()
        self.close_connection = True

    def do_GET(self):
        target = self.path
        proxied = target.startswith("http://") or target.startswith("https://")
        parts = urllib.parse.urlsplit(target)
        path = parts.path or "/"
        query = parts.query
        params = {k: v[0] for k, v in urllib.parse.parse_qs(query, keep_blank_values=True).items()}
        user = None
        auth = self.headers.get("Authorization", "")
        proxy_auth = self.headers.get("Proxy-Authorization", "")
        for header in (auth, proxy_auth):
            if header.startswith("Basic "):
                try:
                    user = base64.b64decode(header[6:]).decode("latin-1")
                except ValueError:
                    user = "?"
        knobs = self.server.knobs()
        mode = knobs["mode"]
        if knobs.get("only") and not path.startswith(knobs["only"]):
            mode = "normal"
        # Plain fields first, the nested ones last: a reader can take the
        # first match of a name without parsing the whole line.
        self.server.record({
            "method": self.command, "target": target, "path": path, "query": query,
            "version": self.request_version, "proxy": proxied,
            "host": parts.netloc if proxied else self.headers.get("Host", ""), "credentials": user,
            "mode": mode, "params": params, "headers": dict(self.headers.items()),
        })

        if mode == "hang":
            return self.hold()
        if mode == "delay":
            if self.server.stopping.wait(knobs["delay_ms"] / 1000.0):
                return
        expected = "%s:%s" % (knobs["user"], knobs["password"])
        if mode == "auth" and user != expected:
            return self.send(401, "<html><body>401 Authorization Required</body></html>", "text/html",
                             {"WWW-Authenticate": 'Basic realm="vendor"'})
        if mode == "proxy-auth" and user != expected:
            return self.send(407, "<html><body>407 Proxy Authentication Required</body></html>", "text/html",
                             {"Proxy-Authenticate": 'Basic realm="proxy"'})
        if mode == "404":
            return self.send(404, "<html><body>404 Not Found: %s</body></html>" % path, "text/html")
        if mode == "big" or path == "/big":
            return self.send(200, big_body(int(knobs["big_size"])), "application/octet-stream")
        if mode == "huge":
            size = int(knobs["huge_size"])
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(size))
            self.end_headers()
            return self.stream(b"x" * 65536, limit=size)
        if mode == "endless":
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.end_headers()
            return self.stream(b"x" * 65536)
        if mode == "endless-chunked":
            # Chunked needs an HTTP/1.1 status line, whatever the request said.
            self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                             b"Transfer-Encoding: chunked\r\n\r\n")
            return self.stream(b"x" * 65536, chunked=True)
        if mode == "drip":
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.end_headers()
            return self.stream(b"x", pause_s=int(knobs["drip_ms"]) / 1000.0)
        if mode == "stall":
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"partial body")
            self.wfile.flush()
            return self.hold()
        if mode == "error" and path in VENDOR_PATHS:
            return self.send(200, "<Error>Test error from the vendor server</Error>")
        self.answer(path, params, knobs)

    def answer(self, path, params, knobs):
        cmd = params.get("cmd", "")
        now = datetime.now(timezone.utc)
        if path == "/cgi-bin/weatherfeed.exe":
            if cmd != "All":
                return self.send(200, "<Error>Unknown command</Error>")
            body = knobs["weather"] if knobs["weather"] is not None else weather_report(knobs["temp"],
                                                                                     params.get("zip", ""))
            return self.send(200, body)
        if path == "/cgi-bin/TimeSync.exe":
            if cmd == "List":
                return self.send(200, knobs["time_list"])
            if cmd == "GetTime":
                return self.send(200, knobs["utc"] or now.strftime("%Y%m%d%H%M%S"))
            return self.send(200, "<Error>Unknown command</Error>")
        if path == "/cgi-bin/InfoNook.exe":
            if cmd == "Check":
                return self.send(200, "<InfoNook><Status>%s</Status></InfoNook>" % knobs["infonook_status"])
            if cmd == "Display":
                return self.send(200, knobs["infonook_page"], "text/html")
            return self.send(200, "<Error>Unknown command</Error>")
        if path == "/cgi-bin/ShowProduct.exe":
            if cmd == "CheckUpdates":
                return self.send(200, "<Product><Update>%s</Update></Product>" % knobs["update"])
            if cmd == "ShowUpdates":
                return self.send(200, "<html><body>Updates for %s</body></html>" % params.get("product", ""),
                                 "text/html")
            return self.send(200, "<Error>Unknown command</Error>")
        if path == "/daytime":
            return self.send(200, knobs["daytime"] if knobs["daytime"] is not None else daytime_text(now))
        if path == "/":
            return self.send(200, "<html><body>Vendor test server root</body></html>", "text/html")
        return self.send(404, "<html><body>404 Not Found: %s</body></html>" % path, "text/html")


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 (0: a free one)")
    p.add_argument("--port-file", help="write the port here once listening")
    p.add_argument("--record", help="append one JSON line per request to this file")
    p.add_argument("--knobs", help="JSON file of knobs, read again for every request")
    p.add_argument("--run-file", help="serve while this file exists; stop when it is removed")
    p.add_argument("--max-seconds", type=float, default=900, help="stop after this long in any case")
    p.add_argument("--verbose", action="store_true")
    for key, value in DEFAULT_KNOBS.items():
        kind = int if isinstance(value, int) else str
        p.add_argument("--" + key.replace("_", "-"), dest=key, type=kind, default=None)
    args = p.parse_args()

    server = Server(("127.0.0.1", args.port), args)
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    else:
        print(port, flush=True)

    def stop(*_):
        server.stopping.set()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    def watch():
        deadline = time.monotonic() + args.max_seconds
        while not server.stopping.is_set():
            if args.run_file and not os.path.exists(args.run_file):
                break
            if time.monotonic() > deadline:
                break
            server.stopping.wait(0.05)
        server.stopping.set()
        server.shutdown()

    threading.Thread(target=watch, daemon=True).start()
    server.serve_forever(poll_interval=0.05)
    server.server_close()


if __name__ == "__main__":
    main()
