#!/usr/bin/env python3
"""Serves the built web page locally and prints the address to open.

The page is sent with the two headers that make it cross-origin isolated
(Cross-Origin-Opener-Policy: same-origin, Cross-Origin-Embedder-Policy:
require-corp): only such a page may share memory with threads, so only there
do the two band workers run as threads. --no-isolation leaves the headers out
(the page then draws both bands on one thread).
"""
import argparse
import functools
import http.server
import os
import sys

DEFAULT_SITE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "build", "web", "site")


class PageHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
    }

    def end_headers(self):
        if self.server.isolated:
            self.send_header("Cross-Origin-Opener-Policy", "same-origin")
            self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        # A rebuilt page is taken as it is, not from the browser's cache.
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, format, *args):
        if self.server.verbose:
            super().log_message(format, *args)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("site", nargs="?", default=DEFAULT_SITE, help="folder with index.html (default: build/web/site)")
    parser.add_argument("--port", type=int, default=8000, help="port (0: any free one; default 8000)")
    parser.add_argument("--bind", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    parser.add_argument("--no-isolation", action="store_true", help="leave out the COOP/COEP headers")
    parser.add_argument("--verbose", action="store_true", help="log every request")
    args = parser.parse_args()

    site = os.path.abspath(args.site)
    if not os.path.isfile(os.path.join(site, "index.html")):
        sys.exit(f"serve.py: no index.html in {site}; build it first: cmake --preset web && cmake --build --preset web")
    handler = functools.partial(PageHandler, directory=site)
    server = http.server.ThreadingHTTPServer((args.bind, args.port), handler)
    server.isolated = not args.no_isolation
    server.verbose = args.verbose
    host, port = server.server_address[:2]
    print(f"Velmora: open http://{host}:{port}/ (Ctrl+C stops the server)", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
