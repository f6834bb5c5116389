#!/usr/bin/python3
"""A package server on 127.0.0.1 that cuts, stalls and lies, scripted per request.

package_server.py start STATE_DIR [FILES_DIR]   starts it in the background, returns once it listens
package_server.py stop STATE_DIR                stops it
package_server.py serve STATE_DIR [FILES_DIR]   runs it in the foreground

It listens on a port the system chooses and writes it to STATE_DIR/port.
Every address names its own run, so that rows of a test table do not meet:

  /run/<id>/<script>/<name>[?etag=strong|weak|none]

<name> is <size>.<kind>: kind 7z is the 7z signature and <size> - 6
pseudo-random bytes; zip a zip archive of one stored member of <size> bytes;
lzma an lzma-alone stream (as `xz --format=lzma` writes) of <size> bytes.
A run starts with version 1 of the body. Each body served is also written to
STATE_DIR/bodies/<id>-v<version>, where the tests read what they must get.

  /file/<id>/<script>/<file>   the same, with the bytes of FILES_DIR/<file> as
                               the body (version 1 only; nothing is written)

The validator: etag=strong (the default) sends ETag "v<version>-<name>";
weak sends W/"v<version>-<name>" and Last-Modified (version 1: Mon, 01 Jan
2024 00:00:00 GMT, version 2 on the 2nd); none sends neither.

<script> is a comma-separated list of actions, one per request of the run;
the last one stands for every later request:

  ok            as a web server answers: 206 for "Range: bytes=N-" when If-Range
                matches (or is absent), 416 when N is at or past the end, 200 with
                the whole body when there is no Range or If-Range does not match
  cut=X         as ok, but the connection closes once the body up to offset X is sent
  stall=X=S     as ok, but after offset X nothing more is sent for S seconds
                (at most 10), then the connection closes
  full          200 with the whole body, whatever the Range
  v2            the body changes to version 2 (new validator) from here on; then ok
  badrange      206 whose Content-Range starts 1000 bytes past the Range asked for
  badtotal      206 from the offset asked for, but a total one byte larger
  badetag       206 from the offset asked for, whatever If-Range says, with the
                validator of another version
  r416          416 with "Content-Range: bytes */<size>", whatever was asked
  status=C[=S]  status C with a small HTML page, and "Retry-After: S" when given
  chunked       200 with the whole body, chunked, no Content-Length
  portal        200 with a captive portal's HTML login page
  huge[=N]      200 announcing N bytes (2^50 without N), then the connection closes
  mute=S        no answer at all for S seconds (at most 10), then the connection closes

Each request appends a line to STATE_DIR/log/<id> before its answer goes
out, tab-separated: seconds since start, Range or -, If-Range or -, status.

Ends on SIGTERM, or by itself after IDLE_SECONDS without a request.
"""
import io
import lzma
import os
import random
import signal
import socket
import socketserver
import subprocess
import sys
import threading
import time
import zipfile

from raw_http import RawHttpHandler

IDLE_SECONDS = 600
MAGIC_7Z = bytes([0x37, 0x7A, 0xBC, 0xAF, 0x27, 0x1C])
LAST_MODIFIED = {1: "Mon, 01 Jan 2024 00:00:00 GMT", 2: "Tue, 02 Jan 2024 00:00:00 GMT"}
PORTAL = (b"<!DOCTYPE html><html><head><title>Hotel WiFi</title></head><body><form action=\"/login\">"
          b"Room number <input name=\"room\"><button>Connect</button></form></body></html>")

state = {"dir": None, "files": None, "start": time.monotonic(), "last_request": time.monotonic()}
runs = {}  # id -> {"requests": n, "version": v}
lock = threading.Lock()
bodies = {}


def pseudo_random(size, seed):
    # Random bytes: a spliced file never equals the real one by chance.
    return random.Random(seed).randbytes(size)


def make_body(name, version):
    key = (name, version)
    if key in bodies:
        return bodies[key]
    size_text, _, kind = name.partition(".")
    size = int(size_text)
    data = pseudo_random(size, 17 + version * 1000)
    if kind == "7z":
        body = (MAGIC_7Z + data)[:size]
    elif kind == "zip":
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w", zipfile.ZIP_STORED) as archive:
            archive.writestr("data.bin", data)
        body = buffer.getvalue()
    elif kind == "lzma":
        body = lzma.compress(data, format=lzma.FORMAT_ALONE)
    else:
        raise ValueError(kind)
    bodies[key] = body
    return body


def file_body(name):
    with lock:
        if ("file", name) not in bodies:
            with open(os.path.join(state["files"], name), "rb") as f:
                bodies[("file", name)] = f.read()
        return bodies[("file", name)]


class Handler(RawHttpHandler):
    timeout = 10

    def log(self, status):
        line = "%.3f\t%s\t%s\t%d\n" % (time.monotonic() - state["start"], self.headers_in.get("range", "-"),
                                   self.headers_in.get("if-range", "-"), status)
        with lock, open(os.path.join(state["dir"], "log", self.run_id), "a") as f:
            f.write(line)

    def handle(self):
        try:
            request_line = self.rfile.readline(8192).decode("latin-1").strip()
            self.headers_in = {}
            while True:
                line = self.rfile.readline(8192)
                if not line or line in (b"\r\n", b"\n"):
                    break
                name, _, value = line.decode("latin-1").partition(":")
                self.headers_in[name.strip().lower()] = value.strip()
        except OSError:
            return
        state["last_request"] = time.monotonic()
        parts = request_line.split(" ")
        if len(parts) < 2:
            return
        try:
            self.route(parts[1])
        except OSError:
            pass

    def route(self, target):
        path, _, query = target.partition("?")
        pieces = path.split("/")
        from_file = len(pieces) == 5 and pieces[1] == "file" and state["files"] and pieces[4] not in ("", ".", "..")
        if len(pieces) != 5 or not (pieces[1] == "run" or from_file):
            self.head("404 Not Found", ["Content-Length: 0"])
            return
        self.run_id, script, name = pieces[2], pieces[3].split(","), pieces[4]
        options = dict(p.partition("=")[::2] for p in query.split("&") if p)
        with lock:
            run = runs.setdefault(self.run_id, {"requests": 0, "version": 1})
            action = script[min(run["requests"], len(script) - 1)]
            run["requests"] += 1
            if action == "v2":
                run["version"] = 2
            version = run["version"]
        try:
            body = file_body(name) if from_file else make_body(name, version)
        except (ValueError, OSError):
            # A name it cannot serve is still a request of the run: logged,
            # so that a test can see that it was asked at all.
            self.log(404)
            self.head("404 Not Found", ["Content-Length: 0"])
            return
        if from_file:
            self.answer(action, body, name, 1, options.get("etag", "strong"))
            return
        os.makedirs(os.path.join(state["dir"], "bodies"), exist_ok=True)
        saved = os.path.join(state["dir"], "bodies", "%s-v%d" % (self.run_id, version))
        if not os.path.exists(saved):
            with open(saved + ".tmp", "wb") as f:
                f.write(body)
            os.replace(saved + ".tmp", saved)
        self.answer(action, body, name, version, options.get("etag", "strong"))

    def validators(self, name, version, etag):
        tag = '"v%d-%s"' % (version, name)
        if etag == "strong":
            return ["ETag: " + tag], [tag]
        if etag == "weak":
            return ["ETag: W/" + tag, "Last-Modified: " + LAST_MODIFIED[version]], [LAST_MODIFIED[version]]
        return [], []

    def answer(self, action, body, name, version, etag):
        size = len(body)
        kind, _, argument = action.partition("=")
        headers, accepted = self.validators(name, version, etag)
        headers = ["Content-Type: application/octet-stream"] + headers
        asked = None
        ranged = self.headers_in.get("range", "")
        if ranged.startswith("bytes=") and ranged.endswith("-") and ranged[6:-1].isdigit():
            asked = int(ranged[6:-1])
        if_range = self.headers_in.get("if-range")
        range_holds = asked is not None and (if_range is None or if_range in accepted)

        if kind == "mute":
            self.log(0)
            time.sleep(min(10.0, float(argument)))
            return
        if kind == "status":
            code, _, retry = argument.partition("=")
            extra = ["Retry-After: " + retry] if retry else []
            page = b"<html><body>busy</body></html>"
            self.log(int(code))
            self.head("%s Status" % code, ["Content-Type: text/html", "Content-Length: %d" % len(page)] + extra)
            self.send(page)
            return
        if kind == "portal":
            self.log(200)
            self.head("200 OK", ["Content-Type: text/html", "Content-Length: %d" % len(PORTAL)])
            self.send(PORTAL)
            return
        if kind == "huge":
            self.log(200)
            self.head("200 OK", headers + ["Content-Length: %d" % (int(argument) if argument else 1 << 50)])
            self.connection.shutdown(socket.SHUT_RDWR)
            return
        if kind == "chunked":
            self.log(200)
            self.head("200 OK", headers + ["Transfer-Encoding: chunked"])
            for i in range(0, size, 65536):
                piece = body[i:i + 65536]
                self.send(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.send(b"0\r\n\r\n")
            return
        if kind == "r416" or (kind != "full" and range_holds and asked >= size):
            self.log(416)
            self.head("416 Range Not Satisfiable", headers + ["Content-Range: bytes */%d" % size, "Content-Length: 0"])
            return
        if kind == "badrange" and asked is not None:
            start = min(asked + 1000, size - 1)
            self.log(206)
            self.head("206 Partial Content", headers + ["Content-Range: bytes %d-%d/%d" % (start, size - 1, size),
                                                        "Content-Length: %d" % (size - start)])
            self.send(body[start:])
            return
        if kind == "badetag" and asked is not None:
            other = [h for h in headers if not h.startswith("ETag:")] + ['ETag: "v9-%s"' % name]
            self.log(206)
            self.head("206 Partial Content", other + ["Content-Range: bytes %d-%d/%d" % (asked, size - 1, size),
                                                      "Content-Length: %d" % (size - asked)])
            self.send(body[asked:])
            return
        if kind == "badtotal" and asked is not None:
            self.log(206)
            self.head("206 Partial Content", headers + ["Content-Range: bytes %d-%d/%d" % (asked, size - 1, size + 1),
                                                        "Content-Length: %d" % (size - asked)])
            self.send(body[asked:])
            return

        start = asked if (kind != "full" and range_holds) else 0
        if start:
            self.log(206)
            self.head("206 Partial Content", headers + ["Content-Range: bytes %d-%d/%d" % (start, size - 1, size),
                                                        "Content-Length: %d" % (size - start)])
        else:
            self.log(200)
            self.head("200 OK", headers + ["Content-Length: %d" % size])
        end = size
        if kind == "cut":
            end = max(start, min(size, int(argument)))
        elif kind == "stall":
            offset, _, seconds = argument.partition("=")
            end = max(start, min(size, int(offset)))
        view = memoryview(body)
        for i in range(start, end, 1 << 20):
            self.send(view[i:min(end, i + (1 << 20))])
        if kind == "stall":
            time.sleep(min(10.0, float(seconds)))
        if end < size:
            self.connection.shutdown(socket.SHUT_RDWR)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def serve(directory, files=None):
    state["dir"] = directory
    state["files"] = files
    os.makedirs(os.path.join(directory, "log"), exist_ok=True)
    server = Server(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    with open(os.path.join(directory, "port.tmp"), "w") as f:
        f.write("%d\n" % server.server_address[1])
    os.replace(os.path.join(directory, "port.tmp"), os.path.join(directory, "port"))
    while not stop.wait(1):
        if time.monotonic() - state["last_request"] > IDLE_SECONDS:
            break
    server.shutdown()
    server.server_close()


def stop_server(directory):
    pidfile = os.path.join(directory, "server.pid")
    try:
        with open(pidfile) as f:
            pid = int(f.read())
    except (OSError, ValueError):
        return
    try:
        os.kill(pid, signal.SIGTERM)
        for _ in range(50):
            os.kill(pid, 0)
            time.sleep(0.1)
    except OSError:
        pass
    os.remove(pidfile)


def start(directory, files=None):
    stop_server(directory)
    if os.path.isdir(directory):
        subprocess.run(["rm", "-rf", directory], check=True)
    os.makedirs(directory)
    with open(os.path.join(directory, "server.log"), "w") as log:
        # Detached from ctest's output pipe, so that the fixture's setup can end.
        child = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", directory] + ([files] if files else []),
                                 stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
    with open(os.path.join(directory, "server.pid"), "w") as f:
        f.write("%d\n" % child.pid)
    for _ in range(150):
        if os.path.exists(os.path.join(directory, "port")):
            return 0
        if child.poll() is not None:
            break
        time.sleep(0.1)
    sys.stderr.write("package_server.py: the server did not start\n")
    with open(os.path.join(directory, "server.log")) as f:
        sys.stderr.write(f.read())
    return 1


if __name__ == "__main__":
    command, directory = sys.argv[1], sys.argv[2]
    files = os.path.abspath(sys.argv[3]) if len(sys.argv) > 3 else None
    if command == "serve":
        serve(directory, files)
    elif command == "start":
        sys.exit(start(directory, files))
    elif command == "stop":
        stop_server(directory)
