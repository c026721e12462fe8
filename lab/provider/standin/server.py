"""The stand-in's HTTP server: loopback only, one thread per connection, plain HTTP and
TLS on the same port (a connection that opens with a TLS handshake is served over TLS,
so a client that switches a URL from "http://" to "https://" keeps its port)."""
import os
import socket
import ssl
import struct
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qsl, unquote, urlsplit

from . import answers, control, envelope, media
from .state import INLINE_BODY_LIMIT
from .uploads import store_upload

LOOPBACK = '127.0.0.1'
READ_BLOCK = 65536


class ProviderServer(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, port, group):
        self.group = group
        super().__init__((LOOPBACK, port), Handler)

    @property
    def port(self):
        return self.server_address[1]

    def finish_request(self, request, client_address):
        tls = False
        try:
            request.settimeout(30)
            first = request.recv(1, socket.MSG_PEEK)
            if not first:
                return
            if first == b'\x16':
                if self.group.tls_context is None:
                    return
                request = self.group.tls_context.wrap_socket(request, server_side=True)
                tls = True
        except (OSError, ssl.SSLError) as error:
            print('provider: connection from port %d dropped: %s' % (client_address[1], error), flush=True)
            return
        try:
            Handler(request, client_address, self, tls=tls)
        finally:
            if tls:
                try:
                    request.close()
                except OSError:
                    pass


class Handler(BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    server_version = 'KeloLabProvider/1.0'
    sys_version = ''
    timeout = 120

    def __init__(self, request, client_address, server, tls=False):
        self.tls = tls
        super().__init__(request, client_address, server)

    @property
    def state(self):
        return self.server.group.state

    def log_message(self, format, *args):
        print('provider: %s %s' % (self.address_string(), format % args), flush=True)

    def do_GET(self):
        self._dispatch()

    do_POST = do_PUT = do_DELETE = do_GET

    # --- routing ------------------------------------------------------------------

    def _dispatch(self):
        url = urlsplit(self.path)
        path = unquote(url.path)
        if path.startswith(control.PREFIX):
            control.handle(self, path, url.query)
            return
        record = self.state.new_record(self.command, self.path, [[k, v] for k, v in self.headers.items()],
                                       self.server.port, self.tls, self.client_address[1])
        record.update(query=parse_qsl(url.query, keep_blank_values=True, errors='replace'))
        try:
            if path == answers.SERVICE_PAGE and self.command == 'POST':
                self._service(record, path)
            elif path == answers.UPLOAD_ENDPOINT and self.command == 'POST':
                self._upload(record, path)
            else:
                self._page(record, path)
        except (ConnectionError, socket.timeout, ssl.SSLError) as error:
            record.update(connection_error=str(error))
            self.close_connection = True
        except Exception as error:  # a fault of the stand-in itself: show it to the test
            record.update(internal_error='%s: %s' % (type(error).__name__, error))
            self.close_connection = True
            try:
                self.answer(500, ('provider stand-in fault: %s' % error).encode('utf-8'), 'text/plain')
            except OSError:
                pass

    # --- reading and answering ----------------------------------------------------

    def read_body(self, record, limit=None, rate=None):
        """Reads the request body (Content-Length or chunked) into the record as it
        arrives, so that a broken upload still shows its first bytes. With a limit,
        stops after about that many bytes; with a rate, reads at most that many bytes
        per second."""
        record.body = body = bytearray()
        started = time.monotonic()

        def keep_rate():
            if rate:
                ahead = len(body) / float(rate) - (time.monotonic() - started)
                if ahead > 0:
                    time.sleep(ahead)

        complete = False
        if 'chunked' in self.headers.get('Transfer-Encoding', '').lower():
            while limit is None or len(body) < limit:
                size = int(self.rfile.readline().split(b';')[0].strip() or b'0', 16)
                if size == 0:
                    while self.rfile.readline() not in (b'\r\n', b'\n', b''):
                        pass
                    complete = True
                    break
                body += self.rfile.read(size)
                self.rfile.readline()
                keep_rate()
        else:
            length = int(self.headers.get('Content-Length') or 0)
            wanted = length if limit is None else min(length, limit)
            while len(body) < wanted:
                piece = self.rfile.read1(min(READ_BLOCK if not rate else max(1, min(READ_BLOCK, int(rate) // 10)),
                                             wanted - len(body)))
                if not piece:
                    raise ConnectionError('the client closed the connection with %d body bytes missing'
                                          % (length - len(body)))
                body += piece
                keep_rate()
            complete = len(body) == length
        record.body_complete = complete
        record.update(body_time=time.time())
        return bytes(body)

    def answer(self, status, body, content_type):
        self.send_response(status)
        self.send_header('Content-Type', content_type)
        self.send_header('Content-Length', str(len(body)))
        self.send_header('Cache-Control', 'no-cache')
        self.end_headers()
        self.wfile.write(body)

    def drop_connection(self, how):
        """Ends the connection without an answer: a plain close, or a reset."""
        self.close_connection = True
        try:
            if how == 'reset':
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack('ii', 1, 0))
            else:
                self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def _scripted_end(self, record, script):
        """Applies a script's delay, and its close; True when the connection was closed."""
        if script and script.get('delay'):
            time.sleep(float(script['delay']))
        if script and script.get('close'):
            record.update(closed=True)  # before the client can see the close and ask
            self.drop_connection(script['close'])
            return True
        return False

    # --- the service page ---------------------------------------------------------

    def _service(self, record, path):
        body = self.read_body(record)
        info = {'kind': 'service', 'body_encoding': envelope.detect_encoding(body)}
        try:
            request = envelope.parse_request(body)
            info.update(request)
        except envelope.RequestError as error:
            request = None
            info.update(method=None, parse_error=str(error))
        method = info['method']
        values = info.get('values', {})
        if method == 'login':
            name, password = answers.credentials(values)
            info['login'] = {'username': name, 'password': password,
                             'accepted': self.state.check_user(name, password)}
        script = self.state.take_script(method=method, path=path)
        info['script'] = script['id'] if script else None
        record.update(**info)
        if self._scripted_end(record, script):
            return
        script = script or {}
        if request is None:
            fields = {'returnCode': 'ERROR_BAD_REQUEST', 'returnMessage': info['parse_error']}
        else:
            fields = answers.default_answer(method, values, answers.AnswerContext(self.state, self.server.port))
        if 'error' in script:
            fields = {'returnCode': str(script['error']),
                      'returnMessage': str(script.get('message', 'Scripted failure of %s' % method))}
        if 'answer' in script:
            fields = dict(script['answer']) if script.get('replace') else answers.merge(fields, script['answer'])
        text = envelope.answer_document(method, fields, escape_twice=script.get('escape', 'twice') != 'once')
        if script.get('malformed'):
            malformed = script['malformed']
            text = malformed if isinstance(malformed, str) else envelope.malformed_document(method)
        if 'body' in script:
            text = str(script['body'])
        if script.get('pad'):
            closing = text.rfind('</')
            text = text[:closing] + ' ' * int(script['pad']) + text[closing:]
        charset = script.get('charset', 'utf-8')
        status = int(script.get('status', 200))
        record.update(answer_fields=fields, answer=text if len(text) <= INLINE_BODY_LIMIT else None,
                      answer_size=len(text), status=status)
        self.answer(status, text.encode(charset, 'replace'),
                    script.get('content_type', 'text/xml; charset=%s' % charset))
        record.update(answered=time.time())

    # --- the upload endpoint ------------------------------------------------------

    def _upload(self, record, path):
        script = self.state.take_script(method='upload', path=path, any_method=False)
        record.update(kind='upload', script=script['id'] if script else None)
        rate = float(script['throttle']) if script and script.get('throttle') else None
        if script and script.get('close_after') is not None:
            self.read_body(record, limit=int(script['close_after']), rate=rate)
            record.update(closed=True)  # before the client can see the close and ask
            self.drop_connection(script.get('close') if isinstance(script.get('close'), str) else 'close')
            return
        body = self.read_body(record, rate=rate)
        upload = store_upload(self.state, record.seq, body, self.headers.get('Content-Type', ''))
        record.update(upload=self.state.add_upload(upload))
        if self._scripted_end(record, script):
            return
        script = script or {}
        status = int(script.get('status', 200))
        record.update(status=status)
        self.answer(status, str(script.get('body', 'OK')).encode('utf-8'),
                    script.get('content_type', 'text/plain; charset=utf-8'))
        record.update(answered=time.time())

    # --- pictures, the update package, the order page and added files -------------

    def _page(self, record, path):
        self.read_body(record)
        script = self.state.take_script(path=path, any_method=False)
        record.update(kind='page', script=script['id'] if script else None)
        if self._scripted_end(record, script):
            return
        script = script or {}
        status, content, content_type = 200, None, 'application/octet-stream'
        added = self.state.file(path)
        extension = os.path.splitext(path)[1].lower()
        if added is not None:
            content, content_type = added
        elif path == answers.ORDER_PAGE:
            content, content_type = media.ORDER_PAGE_HTML, 'text/html'
            query = dict(parse_qsl(urlsplit(self.path).query, keep_blank_values=True, errors='replace'))
            if query.get('encrypt') == '1':
                record.update(credentials={'username': envelope.unscramble(query.get('username', '')),
                                           'password': envelope.unscramble(query.get('password', ''))})
        elif path.startswith(answers.IMAGES) and extension in media.PICTURE_TYPES:
            content, content_type = media.PICTURE_TYPES[extension]
        elif path == answers.UPDATE_PACKAGE_PATH:
            content, content_type = media.UPDATE_PACKAGE, 'application/x-msi'
        elif path == answers.SERVICE_PAGE:
            content, content_type = b'The service page takes POSTed request documents.', 'text/plain'
        else:
            status, content, content_type = 404, b'Not found', 'text/plain'
        if 'body' in script:
            content = str(script['body']).encode('utf-8')
        status = int(script.get('status', status))
        record.update(status=status)
        self.answer(status, content, script.get('content_type', content_type))


class ServerGroup:
    """The listeners of one stand-in (a main port and, when asked, an extra one), and
    the state they share."""

    def __init__(self, state, tls_context, ports):
        self.state = state
        self.tls_context = tls_context
        self.stopped = threading.Event()
        self.lifeline_seen = threading.Event()
        self.servers = []
        self._started = False
        try:
            for port in ports:
                self.servers.append(ProviderServer(port, self))
        except OSError:
            self.close()
            raise

    @property
    def ports(self):
        return [s.port for s in self.servers]

    def start(self):
        for server in self.servers:
            threading.Thread(target=server.serve_forever, kwargs={'poll_interval': 0.2}, daemon=True).start()
        self._started = True

    def stop(self):
        """Asks the main thread to end the stand-in (callable from any thread)."""
        self.stopped.set()

    def close(self):
        for server in self.servers:
            if self._started:
                server.shutdown()
            server.server_close()
