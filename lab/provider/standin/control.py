"""The control interface under /_lab/: tests script answers, read what arrived and
stop the stand-in. Requests to it are not recorded. Answers are JSON unless a raw file
is asked for."""
import base64
import json
import os
from urllib.parse import parse_qs

from .state import ScriptError

PREFIX = '/_lab/'


class ControlError(Exception):
    def __init__(self, status, text):
        super().__init__(text)
        self.status = status


def _json_body(handler):
    raw = handler.read_body(_Scratch())
    if not raw.strip():
        return {}
    try:
        return json.loads(raw.decode('utf-8'))
    except (UnicodeDecodeError, json.JSONDecodeError) as error:
        raise ControlError(400, 'the body is not JSON: %s' % error) from None


class _Scratch:
    """Stands in for a record when the control interface reads a body."""
    body = b''
    body_complete = False

    def update(self, **fields):
        pass


def _send_json(handler, data, status=200):
    handler.answer(status, json.dumps(data, ensure_ascii=True).encode('ascii'), 'application/json')


def _send_file(handler, path):
    if path is None or not os.path.isfile(path):
        raise ControlError(404, 'no such file')
    with open(path, 'rb') as f:
        handler.answer(200, f.read(), 'application/octet-stream')


def _ping(handler, group, query):
    return {'ok': True, 'ports': group.ports, 'tls': group.tls_context is not None,
            'pid': os.getpid(), 'state_dir': group.state.state_dir}


def _lifeline(handler, group):
    """Holds the connection open; when the other side closes it (the test program has
    ended, whichever way), the stand-in stops."""
    group.lifeline_seen.set()
    handler.send_response(200)
    handler.send_header('Content-Type', 'text/plain')
    handler.end_headers()
    handler.wfile.flush()
    handler.close_connection = True
    connection = handler.connection
    connection.settimeout(None)
    try:
        while connection.recv(4096):
            pass
    except OSError:
        pass
    print('provider: the lifeline closed; stopping', flush=True)
    group.stop()


def handle(handler, path, query_text):
    group = handler.server.group
    state = group.state
    query = {k: v[-1] for k, v in parse_qs(query_text, keep_blank_values=True).items()}
    verb = handler.command
    route = path[len(PREFIX):].strip('/')
    parts = route.split('/')
    try:
        if route == 'lifeline':
            _lifeline(handler, group)
            return
        if route == 'ping':
            _send_json(handler, _ping(handler, group, query))
        elif route == 'settings' and verb == 'GET':
            _send_json(handler, state.settings())
        elif route == 'settings' and verb == 'POST':
            state.update_settings(_json_body(handler))
            _send_json(handler, state.settings())
        elif route == 'users' and verb == 'POST':
            users = _json_body(handler)
            if not isinstance(users, dict):
                raise ControlError(400, 'users are a JSON object of name to password')
            state.set_users(users)
            _send_json(handler, {'ok': True})
        elif route == 'script' and verb == 'POST':
            entries = _json_body(handler)
            entries = entries if isinstance(entries, list) else [entries]
            _send_json(handler, {'ok': True, 'ids': [state.add_script(e) for e in entries]})
        elif route == 'scripts':
            _send_json(handler, state.scripts())
        elif route == 'reset' and verb == 'POST':
            state.reset()
            _send_json(handler, {'ok': True})
        elif route == 'clear' and verb == 'POST':
            state.clear_records()
            _send_json(handler, {'ok': True})
        elif route == 'requests':
            _send_json(handler, state.records(bodies=query.get('bodies', '1') != '0',
                                              method=query.get('method'),
                                              since=int(query.get('since', '0') or 0)))
        elif len(parts) == 3 and parts[0] == 'requests' and parts[2] == 'body':
            record = state.record(int(parts[1]))
            if record is None:
                raise ControlError(404, 'no such request')
            handler.answer(200, bytes(record.body), 'application/octet-stream')
        elif route == 'uploads':
            _send_json(handler, state.uploads())
        elif len(parts) == 3 and parts[0] == 'uploads' and parts[2] in ('received', 'stored'):
            upload = state.upload(int(parts[1]))
            files = upload['files'] if upload else []
            number = int(query.get('file', '0'))
            chosen = files[number] if 0 <= number < len(files) else None
            _send_file(handler, chosen and chosen[parts[2] + '_path'])
        elif route == 'files' and verb == 'POST':
            entry = _json_body(handler)
            if 'base64' in entry:
                data = base64.b64decode(entry['base64'])
            else:
                data = str(entry.get('text', '')).encode('utf-8')
            state.add_file(str(entry['path']), data, str(entry.get('content_type', 'application/octet-stream')))
            _send_json(handler, {'ok': True})
        elif route == 'shutdown' and verb == 'POST':
            _send_json(handler, {'ok': True})
            handler.close_connection = True
            group.stop()
        else:
            raise ControlError(404, 'no control operation %s %s' % (verb, path))
    except ControlError as error:
        _send_json(handler, {'error': str(error)}, error.status)
    except (ScriptError, ValueError, KeyError, TypeError) as error:
        _send_json(handler, {'error': '%s: %s' % (type(error).__name__, error)}, 400)
