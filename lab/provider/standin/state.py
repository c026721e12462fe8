"""Everything the stand-in keeps: settings, scripted answers, recorded requests and
uploads, and the files it serves. One lock guards it all; handler threads share it."""
import base64
import os
import threading
import time

DEFAULT_USERS = {'alice': 'secret'}
INLINE_BODY_LIMIT = 256 * 1024

# Keys of a scripted answer that say how to answer.
SCRIPT_ACTIONS = ('answer', 'replace', 'error', 'message', 'malformed', 'status', 'body',
                  'delay', 'close', 'close_after', 'throttle', 'escape', 'charset', 'content_type', 'pad')


class ScriptError(ValueError):
    """A script entry the stand-in cannot use."""


def safe_relative_path(*pieces):
    """Joins server path pieces ("/uploads/u1", "a.ps") into a relative path that stays
    inside its folder: separators of either kind, drive colons, "." and ".." are
    dropped."""
    parts = []
    for piece in pieces:
        for part in str(piece).replace('\\', '/').split('/'):
            part = part.replace(':', '_').strip()
            if part and part not in ('.', '..'):
                parts.append(part)
    return os.path.join(*parts) if parts else '_'


class Record:
    """One HTTP request as it arrived, and what was done with it."""

    def __init__(self, lock, seq, verb, path, headers, listener_port, tls, client_port):
        self._lock = lock
        self.seq = seq
        self.time = time.time()
        self.verb = verb
        self.path = path
        self.headers = headers
        self.listener_port = listener_port
        self.tls = tls
        self.client_port = client_port
        self.body = b''
        self.body_complete = False
        self.info = {}

    def update(self, **fields):
        """Adds what became known about the request (readers may be listing meanwhile)."""
        with self._lock:
            self.info.update(fields)

    def to_json(self, bodies=True):
        data = {
            'seq': self.seq,
            'time': self.time,
            'verb': self.verb,
            'path': self.path,
            'headers': self.headers,
            'listener_port': self.listener_port,
            'tls': self.tls,
            'client_port': self.client_port,
            'body_size': len(self.body),
            'body_complete': self.body_complete,
        }
        if bodies and len(self.body) <= INLINE_BODY_LIMIT:
            data['body_b64'] = base64.b64encode(self.body).decode('ascii')
            data['body'] = self.body.decode('utf-8', 'replace')
        data.update(self.info)
        return data


class State:
    def __init__(self, state_dir, users=None, protocol='http://', upload_port=None):
        self.state_dir = state_dir
        self._lock = threading.Lock()
        self._initial = (dict(users or DEFAULT_USERS), protocol, upload_port)
        self._files = {}
        self.reset()

    # --- settings -----------------------------------------------------------------

    def reset(self):
        """Back to the settings of the start: users, protocol, upload port, no scripts,
        no records, counters from the start, no added files."""
        with self._lock:
            users, protocol, upload_port = self._initial
            self._users = dict(users)
            self._protocol = protocol
            self._upload_port = upload_port
            self._scripts = []
            self._script_ids = 0
            self._records = []
            self._uploads = []
            self._numbers = {}
            self._files.clear()

    def clear_records(self):
        with self._lock:
            self._records = []
            self._uploads = []

    def set_users(self, users):
        with self._lock:
            self._users = {str(k): str(v) for k, v in users.items()}

    def check_user(self, name, password):
        with self._lock:
            return name in self._users and self._users[name] == password

    def settings(self):
        with self._lock:
            return {'users': dict(self._users), 'protocol': self._protocol,
                    'upload_port': self._upload_port}

    def update_settings(self, settings):
        with self._lock:
            if 'protocol' in settings:
                self._protocol = str(settings['protocol'])
            if 'upload_port' in settings:
                port = settings['upload_port']
                self._upload_port = None if port in (None, 0) else int(port)
            if 'users' in settings:
                self._users = {str(k): str(v) for k, v in settings['users'].items()}

    def protocol(self):
        with self._lock:
            return self._protocol

    def upload_port(self, listener_port):
        with self._lock:
            return self._upload_port or listener_port

    def next_number(self, counter):
        with self._lock:
            self._numbers[counter] = self._numbers.get(counter, 0) + 1
            return self._numbers[counter]

    # --- scripts ------------------------------------------------------------------

    def add_script(self, entry):
        if not isinstance(entry, dict):
            raise ScriptError('a script entry is a JSON object')
        if not entry.get('method') and not entry.get('path'):
            raise ScriptError('a script entry names a "method" (or "*") or a "path"')
        unknown = set(entry) - set(SCRIPT_ACTIONS) - {'method', 'path', 'times'}
        if unknown:
            raise ScriptError('unknown script keys: %s' % ', '.join(sorted(unknown)))
        times = entry.get('times')
        if times is not None and (not isinstance(times, int) or times < 1):
            raise ScriptError('"times" is a positive whole number')
        with self._lock:
            self._script_ids += 1
            stored = dict(entry)
            stored['id'] = self._script_ids
            stored['used'] = 0
            self._scripts.append(stored)
            return stored['id']

    def take_script(self, method=None, path=None, any_method=True):
        """The newest script entry that matches, counted as used once; None when no
        entry matches. A method entry "*" matches every server method (any_method)."""
        with self._lock:
            for entry in reversed(self._scripts):
                wanted_method = entry.get('method')
                if wanted_method is not None:
                    if method is None or not (wanted_method == method or (any_method and wanted_method == '*')):
                        continue
                elif entry.get('path') != path:
                    continue
                entry['used'] += 1
                if entry.get('times') is not None and entry['used'] >= entry['times']:
                    self._scripts.remove(entry)
                return {k: v for k, v in entry.items() if k in SCRIPT_ACTIONS or k in ('id', 'method', 'path')}
            return None

    def scripts(self):
        with self._lock:
            return [dict(e) for e in self._scripts]

    # --- records ------------------------------------------------------------------

    def new_record(self, *args):
        with self._lock:
            record = Record(self._lock, len(self._records) + 1, *args)
            self._records.append(record)
            return record

    def records(self, bodies=True, method=None, since=0):
        with self._lock:
            chosen = [r for r in self._records
                      if r.seq > since and (method is None or r.info.get('method') == method)]
            return [r.to_json(bodies) for r in chosen]

    def record(self, seq):
        with self._lock:
            return self._records[seq - 1] if 0 < seq <= len(self._records) else None

    def add_upload(self, upload):
        with self._lock:
            upload['index'] = len(self._uploads)
            self._uploads.append(upload)
            return upload['index']

    def uploads(self):
        with self._lock:
            return [dict(u) for u in self._uploads]

    def upload(self, index):
        with self._lock:
            return dict(self._uploads[index]) if 0 <= index < len(self._uploads) else None

    # --- files --------------------------------------------------------------------

    def files_root(self):
        return os.path.join(self.state_dir, 'files')

    def stored_size(self, upload_path, filename):
        path = os.path.join(self.files_root(), safe_relative_path(upload_path, filename))
        return os.path.getsize(path) if os.path.isfile(path) else 0

    def add_file(self, path, data, content_type):
        with self._lock:
            self._files[path] = (data, content_type)

    def file(self, path):
        with self._lock:
            return self._files.get(path)
