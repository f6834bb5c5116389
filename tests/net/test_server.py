#!/usr/bin/python3
"""Scripted HTTP and HTTPS servers on 127.0.0.1 for the network tests.

test_server.py STATE_DIR HTTPS_PORT HTTP_PORT [FILES_DIR]

The HTTPS server plays the version service with a self-signed certificate,
made here with openssl, that names another host (another.example) and expired
in 2021. The HTTP server serves packages. Both answer every path below; each
reply is written by hand, so that status lines, header blocks, chunking and
early closes are exactly what a case needs.

  /case/<name>                 a scripted reply from CASES
  /echo-request[?...]          the request line and header lines as the body
  /set-cookie?<name>           sets the cookie <name>=1 for the whole host
  /v1/oem/clientVersion        the reply named by the last /control/driver
  /control/driver?case=<name>  chooses that reply (answers "set")
  /pkg/<n>                     n bytes of package with Content-Length
  /pkg-chunked/<n>             n bytes, chunked, no Content-Length
  /pkg-short/<n>               announces n bytes, sends half, closes
  /pkg-gzip/<n>                n bytes sent gzip-encoded (Content-Length: compressed)
  /pkg-404, /pkg-500           an error page with that status
  /files/<path>                a file below FILES_DIR (optional fourth argument)
  /slow-files/<path>           the same file trickled in 40 pieces over 4 s
  /control/offer?<url>         the version reply offers 1.0.0.10 from <url> (answers "set"),
                               signed as the maker signs: with the secret key named by
                               LAUNCHER_TEST_SIGNING_KEY, over the bytes this server
                               serves at <url> (over no bytes when it serves none there)
  /control/offer-unsigned?<url>  the same without Data.Signature
  /control/offer-signed?signature=<path>&url=<url>
                               the same, with the text of the file FILES_DIR/<path>
                               as Data.Signature (answers "set")

Writes STATE_DIR/ready once both ports listen. Ends on SIGTERM, or by itself
after IDLE_SECONDS without a request, so a killed test run leaves nothing.
"""
import gzip
import json
import os
import tempfile
import signal
import socket
import socketserver
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse

from raw_http import RawHttpHandler

IDLE_SECONDS = 1200


def reply_json(obj):
    return json.dumps(obj, ensure_ascii=False).encode("utf-8")


NOTES = "1.修复了加速断线的问题|2.优化了游戏列表"
OK_DATA = {
    "LatestVersion": "1.0.0.10",
    "UpdateContent": NOTES,
    "DownloadUrl": "http://127.0.0.1/pkg/Tarvo_1.0.0.10.7z",
}

# name -> (status line, extra header lines, body, mode)
# mode: "length" (Content-Length), "chunked", "slow" (body trickles in).
CASES = {
    "ok": ("200 OK", [], reply_json({"Code": 0, "Msg": "", "Data": OK_DATA}), "length"),
    "code7": ("200 OK", [], reply_json({"Code": 7, "Msg": "渠道已停用", "Data": OK_DATA}), "length"),
    "no-url": ("200 OK", [], reply_json({"Code": 0, "Data": {k: v for k, v in OK_DATA.items() if k != "DownloadUrl"}}),
               "length"),
    "code-half": ("200 OK", [], b'{"Code": 0.5, "Data": {"LatestVersion": "1.0.0.10", "DownloadUrl": "http://x/p.7z"}}',
                  "length"),
    "bad-utf8": ("200 OK", [],
                 b'{"Code":0,"Data":{"LatestVersion":"1.0.0.10","UpdateContent":"fix \xff bugs",'
                 b'"DownloadUrl":"http://127.0.0.1/pkg/p.7z"}}', "length"),
    "empty": ("200 OK", [], b"", "length"),
    "html": ("500 Internal Server Error", ["Content-Type: text/html"],
             b"<html><head><title>500</title></head><body><h1>Server Error</h1></body></html>", "length"),
    "status404": ("404 Not Found", ["Content-Type: text/html"], b"<html><body>not here</body></html>", "length"),
    "body404": ("200 OK", ["X-Error-Page: 404"], b"error 404 is only mentioned here", "length"),
    "big-headers": ("200 OK", ["X-Filler-%02d: %s" % (i, "f" * 90) for i in range(50)], reply_json({"Code": 0}),
                    "length"),
    # The raw header block as the client fetches it is UTF-16, each line ended
    # by a zero character and the block by one more: the status line (16), the
    # filler (11 + n), Connection (18), Content-Length (18) and the end (1), so
    # 64 + n characters. n = 1984 fills 4096 bytes exactly; one more does not fit.
    "headers-4096-bytes": ("200 OK", ["X-Filler: " + "f" * 1984], b"fits", "length"),
    "headers-4098-bytes": ("200 OK", ["X-Filler: " + "f" * 1985], b"fits", "length"),
    "zero-byte": ("200 OK", [], b"abc\x00def" + b"y" * 4089 + b"z" * 100, "length"),
    "chunked": ("200 OK", [], reply_json({"Code": 0, "Data": OK_DATA}), "chunked"),
    "slow": ("200 OK", [], reply_json({"Code": 0, "Data": OK_DATA}), "slow"),
    "oversized-body": ("200 OK", [], b"{" + b" " * (17 << 20) + b"}", "length"),
    "big-body": ("200 OK", [], bytes((i * 7 + 3) % 26 + 97 for i in range(50000)), "length"),
    # Replies the launcher built against the loopback service receives.
    "driver-newer": ("200 OK", [], reply_json({"Code": 0, "Msg": "", "Data": dict(OK_DATA, LatestVersion="1.0.0.10")}),
                     "length"),
    "driver-equal": ("200 OK", [], reply_json({"Code": 0, "Msg": "", "Data": dict(OK_DATA, LatestVersion="1.0.0.9")}),
                     "length"),
    "driver-older": ("200 OK", [], reply_json({"Code": 0, "Msg": "", "Data": dict(OK_DATA, LatestVersion="1.0.0.8")}),
                     "length"),
}

state = {"driver": "driver-equal", "last_request": time.monotonic(), "files": None}


def package_bytes(n):
    return bytes((i * 31 + 7) & 0xFF for i in range(n))


def served_bytes(url):
    """The bytes the package port serves at `url`, or b"" when it serves none."""
    parts = urllib.parse.urlsplit(url)
    if parts.hostname != "127.0.0.1" or parts.port != state["http_port"]:
        return b""
    path = urllib.parse.unquote(parts.path)
    if path.startswith("/pkg/"):
        return package_bytes(int(path.rsplit("/", 1)[1].split(".")[0]))
    for prefix in ("/files/", "/slow-files/"):
        names = path[len(prefix):].split("/")
        if path.startswith(prefix) and state["files"] and not any(n in ("", ".", "..") for n in names):
            try:
                with open(os.path.join(state["files"], *names), "rb") as f:
                    return f.read()
            except OSError:
                return b""
    return b""


def maker_signature(data, version):
    """minisign's signature of `data` for `version`, as the maker publishes it."""
    key = os.environ.get("LAUNCHER_TEST_SIGNING_KEY", "")
    if not key:
        return ""
    with tempfile.TemporaryDirectory() as work:
        package = os.path.join(work, "package")
        with open(package, "wb") as f:
            f.write(data)
        subprocess.run(["minisign", "-S", "-s", key, "-m", package, "-x", package + ".minisig",
                        "-t", "version " + version], check=True, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(package + ".minisig", encoding="utf-8") as f:
            return f.read()


class Handler(RawHttpHandler):
    timeout = 30

    def reply(self, status, headers, body, mode="length"):
        if mode == "chunked":
            self.head(status, headers + ["Transfer-Encoding: chunked"])
            for i in range(0, len(body), 1000):
                piece = body[i:i + 1000]
                self.send(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.send(b"0\r\n\r\n")
        elif mode == "slow":
            self.head(status, headers + ["Content-Length: %d" % len(body)])
            step = max(1, len(body) // 5)
            for i in range(0, len(body), step):
                time.sleep(0.3)
                self.send(body[i:i + step])
        else:
            self.head(status, headers + ["Content-Length: %d" % len(body)])
            self.send(body)

    def handle(self):
        try:
            if isinstance(self.connection, ssl.SSLSocket):
                self.connection.do_handshake()
            request_line = self.rfile.readline(8192).decode("latin-1").strip()
            self.request_headers = b""
            while True:
                line = self.rfile.readline(8192)
                if not line or line in (b"\r\n", b"\n"):
                    break
                self.request_headers += line
        except (OSError, ssl.SSLError):
            return
        state["last_request"] = time.monotonic()
        parts = request_line.split(" ")
        if len(parts) < 2:
            return
        path = parts[1]
        self.request_line = request_line
        try:
            self.route(path)
        except (OSError, ssl.SSLError):
            pass

    def route(self, path):
        case = path.split("?", 1)[0][len("/case/"):]
        if path.startswith("/case/") and case in CASES:
            self.reply(*CASES[case])
        elif path == "/echo-request" or path.startswith("/echo-request?"):
            self.reply("200 OK", [], self.request_line.encode("latin-1") + b"\r\n" + self.request_headers)
        elif path.startswith("/set-cookie?"):
            name = path.split("?", 1)[1]
            self.reply("200 OK", ["Set-Cookie: %s=1; Path=/" % name], b"set")
        elif path.startswith("/v1/oem/clientVersion"):
            self.reply(*CASES[state["driver"]])
        elif path.startswith("/control/offer?") or path.startswith("/control/offer-unsigned?"):
            url = urllib.parse.unquote(path.split("?", 1)[1])
            data = dict(OK_DATA, DownloadUrl=url)
            if path.startswith("/control/offer?"):
                data["Signature"] = maker_signature(served_bytes(url), OK_DATA["LatestVersion"])
            CASES["offer"] = ("200 OK", [], reply_json({"Code": 0, "Msg": "", "Data": data}), "length")
            state["driver"] = "offer"
            self.reply("200 OK", [], b"set")
        elif path.startswith("/control/offer-signed?") and state["files"]:
            query = urllib.parse.parse_qs(path.split("?", 1)[1])
            parts = query.get("signature", [""])[0].split("/")
            if any(p in ("", ".", "..") for p in parts) or "url" not in query:
                self.reply("400 Bad Request", [], b"bad offer")
                return
            with open(os.path.join(state["files"], *parts), "rb") as f:
                signature = f.read().decode("utf-8")
            data = dict(OK_DATA, DownloadUrl=query["url"][0], Signature=signature)
            CASES["offer"] = ("200 OK", [], reply_json({"Code": 0, "Msg": "", "Data": data}), "length")
            state["driver"] = "offer"
            self.reply("200 OK", [], b"set")
        elif path.startswith("/control/driver?case="):
            name = path.split("=", 1)[1]
            if name in CASES:
                state["driver"] = name
                self.reply("200 OK", [], b"set")
            else:
                self.reply("400 Bad Request", [], b"unknown case")
        elif path.startswith("/pkg/"):
            n = int(path.rsplit("/", 1)[1].split(".")[0])
            self.reply("200 OK", ["Content-Type: application/octet-stream"], package_bytes(n))
        elif path.startswith("/pkg-chunked/"):
            n = int(path.rsplit("/", 1)[1].split(".")[0])
            self.reply("200 OK", ["Content-Type: application/octet-stream"], package_bytes(n), "chunked")
        elif path.startswith("/pkg-short/"):
            n = int(path.rsplit("/", 1)[1].split(".")[0])
            self.head("200 OK", ["Content-Type: application/octet-stream", "Content-Length: %d" % n])
            self.send(package_bytes(n // 2))
            # Close without the TLS/TCP niceties of a complete reply.
            self.connection.shutdown(socket.SHUT_RDWR)
        elif path.startswith("/files/") and state["files"]:
            # As a web server does, the query names no part of the file.
            self.serve_file(path[len("/files/"):].split("?", 1)[0])
        elif path.startswith("/slow-files/") and state["files"]:
            self.serve_file(path[len("/slow-files/"):].split("?", 1)[0], "trickle")
        elif path.startswith("/pkg-gzip/"):
            # Sent compressed: Content-Length counts the compressed bytes, so
            # the decoded file is longer than announced.
            n = int(path.rsplit("/", 1)[1].split(".")[0])
            body = gzip.compress(package_bytes(n))
            self.reply("200 OK", ["Content-Type: application/octet-stream", "Content-Encoding: gzip"], body)
        elif path.startswith("/pkg-404"):
            self.reply("404 Not Found", ["Content-Type: text/html"], b"<html><body>404 no package</body></html>")
        elif path.startswith("/pkg-500"):
            self.reply("500 Internal Server Error", ["Content-Type: text/html"], b"<html><body>broken</body></html>")
        else:
            self.reply("404 Not Found", [], b"no such case")


    def serve_file(self, relative, mode="length"):
        parts = relative.split("/")
        if any(p in ("", ".", "..") for p in parts):
            self.reply("404 Not Found", [], b"no such file")
            return
        try:
            with open(os.path.join(state["files"], *parts), "rb") as f:
                body = f.read()
        except OSError:
            self.reply("404 Not Found", [], b"no such file")
            return
        if mode == "trickle":
            self.head("200 OK", ["Content-Type: application/octet-stream", "Content-Length: %d" % len(body)])
            step = max(1, -(-len(body) // 40))
            for i in range(0, len(body), step):
                time.sleep(0.1)
                self.send(body[i:i + step])
            return
        self.reply("200 OK", ["Content-Type: application/octet-stream"], body)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


class TlsServer(Server):
    def __init__(self, address, context):
        self.context = context
        super().__init__(address, Handler)

    def get_request(self):
        sock, addr = super().get_request()
        sock.settimeout(30)
        # The handshake happens on the handler's thread, so that a client that
        # never completes it cannot hold up the accept loop.
        return self.context.wrap_socket(sock, server_side=True, do_handshake_on_connect=False), addr


def make_certificate(directory):
    """A self-signed certificate for another.example, valid only in 2020."""
    cnf = os.path.join(directory, "ca.cnf")
    with open(cnf, "w") as f:
        f.write("[ca]\ndefault_ca=tca\n[tca]\ndatabase=index.txt\nnew_certs_dir=.\nserial=serial\n"
                "default_md=sha256\npolicy=anything\n[anything]\ncommonName=supplied\n"
                "[req]\ndistinguished_name=dn\nprompt=no\n[dn]\nCN=another.example\n")
    open(os.path.join(directory, "index.txt"), "w").close()
    with open(os.path.join(directory, "serial"), "w") as f:
        f.write("01\n")
    run = lambda *args: subprocess.run(args, cwd=directory, check=True, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
    run("openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", "key.pem", "-out", "req.csr",
        "-config", "ca.cnf")
    run("openssl", "ca", "-batch", "-selfsign", "-config", "ca.cnf", "-keyfile", "key.pem", "-in", "req.csr",
        "-out", "cert.pem", "-startdate", "20200101000000Z", "-enddate", "20210101000000Z", "-notext")
    return os.path.join(directory, "cert.pem"), os.path.join(directory, "key.pem")


def main():
    directory, https_port, http_port = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    os.makedirs(directory, exist_ok=True)
    state["http_port"] = http_port
    if len(sys.argv) > 4:
        state["files"] = sys.argv[4]
    cert, key = make_certificate(directory)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)

    servers = [TlsServer(("127.0.0.1", https_port), context), Server(("127.0.0.1", http_port), Handler)]
    for s in servers:
        threading.Thread(target=s.serve_forever, daemon=True).start()

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    with open(os.path.join(directory, "ready"), "w") as f:
        f.write("%d %d\n" % (https_port, http_port))
    while not stop.wait(1):
        if time.monotonic() - state["last_request"] > IDLE_SECONDS:
            break
    for s in servers:
        s.shutdown()
        s.server_close()


if __name__ == "__main__":
    main()
