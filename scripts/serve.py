#!/usr/bin/env python3
"""Serves the web page's folder the way a good static host does, for `make serve` and the audit.

- gzip for text and WebAssembly when the browser accepts it (compressed once per file version),
  with `Vary: Accept-Encoding`;
- the right types: application/wasm (which lets the browser compile while it downloads),
  application/manifest+json, text/javascript;
- cache headers: the file names carry no version, so every file is revalidated (`no-cache` with
  an ETag; an unchanged file costs a 304 without a body), and the service worker serves repeat
  visits from its own cache anyway.

    serve.py DIR [--port N] [--bind ADDRESS]     port 0 picks a free one; the address is printed
"""
import argparse
import email.utils
import gzip
import hashlib
import http.server
import os
import sys

TYPES = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript; charset=utf-8',
    '.wasm': 'application/wasm',
    '.webmanifest': 'application/manifest+json',
    '.json': 'application/json',
    '.png': 'image/png',
    '.txt': 'text/plain; charset=utf-8',
}
COMPRESSED = {'.html', '.js', '.wasm', '.webmanifest', '.json', '.txt'}


class Files:
    """The bytes of each file, plain and gzip, kept while the file's size and time stay."""

    def __init__(self, root):
        self.root = os.path.realpath(root)
        self.cache = {}

    def get(self, url_path):
        relative = os.path.normpath(url_path.lstrip('/') or 'index.html')
        path = os.path.realpath(os.path.join(self.root, relative))
        if not path.startswith(self.root + os.sep) or not os.path.isfile(path):
            return None
        stat = os.stat(path)
        key = (stat.st_size, stat.st_mtime_ns)
        entry = self.cache.get(path)
        if entry is None or entry['key'] != key:
            with open(path, 'rb') as file:
                body = file.read()
            extension = os.path.splitext(path)[1]
            entry = {
                'key': key,
                'body': body,
                'gzip': gzip.compress(body, 9, mtime=0) if extension in COMPRESSED else None,
                'type': TYPES.get(extension, 'application/octet-stream'),
                'etag': '"%s"' % hashlib.sha256(body).hexdigest()[:20],
                'modified': email.utils.formatdate(stat.st_mtime, usegmt=True),
            }
            self.cache[path] = entry
        return entry


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    server_version = 'korvan-serve'
    files = None

    def do_HEAD(self):
        self.answer(head=True)

    def do_GET(self):
        self.answer(head=False)

    def answer(self, head):
        path = self.path.split('?', 1)[0].split('#', 1)[0]
        entry = self.files.get(path)
        if entry is None:
            self.send_error(404, 'Not found')
            return
        accepts_gzip = 'gzip' in self.headers.get('Accept-Encoding', '')
        compressed = entry['gzip'] is not None and accepts_gzip
        body = entry['gzip'] if compressed else entry['body']
        etag = entry['etag'][:-1] + ('-gz"' if compressed else '"')
        status = 304 if etag in self.headers.get('If-None-Match', '') else 200
        self.send_response(status)
        self.send_header('Content-Type', entry['type'])
        self.send_header('Cache-Control', 'no-cache')
        self.send_header('ETag', etag)
        self.send_header('Last-Modified', entry['modified'])
        self.send_header('X-Content-Type-Options', 'nosniff')
        if entry['gzip'] is not None:
            self.send_header('Vary', 'Accept-Encoding')
        if compressed:
            self.send_header('Content-Encoding', 'gzip')
        if status == 304:
            self.end_headers()
            return
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        if not head:
            self.wfile.write(body)

    def log_message(self, format, *args):
        if os.environ.get('KORVAN_SERVE_LOG'):
            super().log_message(format, *args)


def main():
    parser = argparse.ArgumentParser(description='Serves the korvan web page folder.')
    parser.add_argument('folder')
    parser.add_argument('--port', type=int, default=8000)
    parser.add_argument('--bind', default='127.0.0.1')
    options = parser.parse_args()
    if not os.path.isfile(os.path.join(options.folder, 'index.html')):
        sys.exit(f'serve: {options.folder} holds no index.html: build the page first (make web)')
    Handler.files = Files(options.folder)
    try:
        server = http.server.ThreadingHTTPServer((options.bind, options.port), Handler)
    except OSError as error:
        sys.exit(f'serve: cannot listen on {options.bind}:{options.port} ({error.strerror}); '
                 'choose another port with WEB_PORT=...')
    host, port = server.server_address[:2]
    print(f'korvan is served at http://{host}:{port}/ (Ctrl+C stops)', flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == '__main__':
    main()
