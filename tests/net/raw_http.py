"""The request handler both loopback test servers build on: replies written
by hand, byte for byte, so that a server can cut, stall or lie as a test
needs. Every reply closes its connection."""

import socketserver


class RawHttpHandler(socketserver.StreamRequestHandler):
    def send(self, data):
        self.wfile.write(data)
        self.wfile.flush()

    def head(self, status, headers):
        lines = ["HTTP/1.1 " + status] + headers + ["Connection: close", "", ""]
        self.send("\r\n".join(lines).encode("latin-1"))
