"""A small HTTP server on 127.0.0.1 that stands in for the maker's web
server, reached by the program as a proxy (http_proxy), exactly as a user
behind a proxy would reach it.

    with UpdateServer() as server:
        server.reply("4.5.0")            # the next answers' body
        env = {"http_proxy": server.proxy}
        ...
        server.requests                  # [(method, target), ...]

Modes: "ok" (the body), "status" (an error status with an HTML page),
"never" (reads the request and never answers), "slow" (the body after a
second), "trickle" (a byte a second, for ever), "huge" (a 5 MB body),
"bomb" (a gzip body of 200 MB unpacked), and the "endless-..." replies
below.
"""

import gzip
import http.server
import socketserver
import threading
import time

# Replies that never end where a client must wait for an end: a status
# line, a header line, headers, a chunk's size line.
ENDLESS = {
    "endless-status": (b"HTTP/1.1 200 ", b"O" * 65536),
    "endless-header": (b"HTTP/1.1 200 OK\r\nX-Long: ", b"a" * 65536),
    "endless-headers": (b"HTTP/1.1 200 OK\r\n", b"X-More: more\r\n" * 4096),
    "endless-chunk": (b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", b"0" * 65536),
}
# 200 MB of zeros in some 200 KB of gzip.
BOMB = gzip.compress(bytes(200 * 1024 * 1024), compresslevel=9)


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):  # quiet
        pass

    def do_GET(self):
        server = self.server.owner
        with server.lock:
            server.requests.append(("GET", self.path))
            mode, body, status = server.mode, server.body, server.status
        if mode == "never":
            server.stop_event.wait(30)
            return
        if mode == "slow":
            server.stop_event.wait(1.0)
        if mode in ENDLESS:
            start, repeated = ENDLESS[mode]
            try:
                self.wfile.write(start)
                while not server.stop_event.is_set():
                    self.wfile.write(repeated)
            except OSError:
                pass
            return
        if mode == "bomb":
            try:
                self.send_response(200)
                self.send_header("Content-Encoding", "gzip")
                self.send_header("Content-Length", str(len(BOMB)))
                self.end_headers()
                self.wfile.write(BOMB)
            except OSError:
                pass
            return
        if mode == "trickle":
            self.send_response(200)
            self.send_header("Content-Length", "1000000")
            self.end_headers()
            for _ in range(60):
                if server.stop_event.is_set():
                    return
                try:
                    self.wfile.write(b"4")
                    self.wfile.flush()
                except OSError:
                    return
                time.sleep(1.0)
            return
        if mode == "huge":
            data = b"4.5.0" * (1024 * 1024)
        elif mode == "status":
            data = b"<html><body><h1>404 Not Found</h1></body></html>"
        else:
            data = body
        try:
            self.send_response(status if mode == "status" else 200)
            self.send_header("Content-Type", "text/plain; charset=utf-8")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)
        except OSError:
            pass


class _Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # a client that hangs up on a bad reply is what the tests want


class UpdateServer:
    def __init__(self):
        self.lock = threading.Lock()
        self.requests = []
        self.mode = "ok"
        self.body = b"4.5.0"
        self.status = 404
        self.stop_event = threading.Event()
        self._server = _Server(("127.0.0.1", 0), _Handler)
        self._server.owner = self
        self.port = self._server.server_address[1]
        self.proxy = "http://127.0.0.1:%d" % self.port
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self.stop_event.set()
        self._server.shutdown()
        self._server.server_close()
        return False

    def reply(self, body, mode="ok", status=404):
        with self.lock:
            self.body = body.encode("utf-8") if isinstance(body, str) else body
            self.mode = mode
            self.status = status

    def clear(self):
        with self.lock:
            self.requests = []

    def gets(self):
        with self.lock:
            return list(self.requests)
