#!/usr/bin/env python3
"""Self-tests of the provider stand-in: the stand-in runs as its own process, as the
tests of the system use it, and is reached over HTTP like the client reaches it."""
import base64
import http.client
import io
import json
import os
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import xml.etree.ElementTree as ET
import zipfile
from urllib.parse import quote

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)

from standin import envelope, multipart  # noqa: E402

SERVICE = '/brisvel/versions/250/site/kelo/services/web/printdriver/default.asp'
UPLOAD = '/brisvel/versions/250/Comp/ISAPI/bvupload.dll'
BOUNDARY = '---------------------------7d11c0032035c'
SERVER_METHODS = (
    'getProtocol', 'login', 'disconnect', 'createJob', 'getJobTypes', 'getLocalizationSection',
    'getJobSubTypes', 'getJobSubTypeInfo', 'getWorkingHours', 'getUrgencyParameters',
    'getDefaultRequiredDate', 'getCostCenterList', 'getCallUrl', 'uploadJob_nogui',
    'resumeUploadJob', 'doneUpload', 'getJobStatus', 'getTermsAndConditions', 'orderJob',
    'deleteJob', 'getSteps', 'getRestDates', 'getIsPriceVisible', 'getIsReqDateEnabled',
    'checkClientVersion', 'prepareClientDownload', 'getLogo', 'price')


# --- the client's side, written out independently --------------------------------------

def client_decode(text):
    """The client's decoding of an answer value after the XML parser: &gt; &lt; &amp;
    &apos; (any case) become their characters, other references vanish."""
    out, i = [], 0
    while i < len(text):
        if text[i] == '&':
            end = text.find(';', i)
            end = len(text) if end < 0 else end
            out.append({'&gt;': '>', '&lt;': '<', '&amp;': '&', '&apos;': "'"}.get(text[i:end + 1].lower(), ''))
            i = end + 1
        else:
            out.append(text[i])
            i += 1
    return ''.join(out)


def client_read(answer_text):
    """An answer document as the client's dictionary would hold it."""
    def read(element):
        result = {}
        for p in element.findall('./parameter'):
            values = p.findall('./value')
            if len(values) == 1:
                result[p.get('name')] = client_decode(values[0].text or '')
            elif values:
                result[p.get('name')] = [client_decode(v.text or '') for v in values]
            elif p.findall('./parameter'):
                result[p.get('name')] = read(p)
        return result
    return read(ET.fromstring(answer_text).find('./method'))


def request_document(method, parameters=()):
    """A request document; parameters are (name, content) with content a string, a list
    of (name, content) for a dictionary, or raw XML given as ('xml', text)."""
    def write(items):
        out = []
        for name, content in items:
            out.append('<parameter name="%s">' % name)
            if isinstance(content, list):
                out.append(write(content))
            elif isinstance(content, tuple):
                out.append(content[1])
            else:
                out.append('<value>%s</value>' % content.replace('&', '&amp;').replace('<', '&lt;'))
            out.append('</parameter>')
        return ''.join(out)
    return '<keloAction><method name="%s">%s</method></keloAction>' % (method, write(parameters))


def multipart_body(file_bytes, path, fields, closing=True):
    """The upload body byte for byte: the file part runs straight into the next
    boundary line, and the closing is a boundary line and a line "--"."""
    b = BOUNDARY.encode()
    body = (b'--' + b + b'\r\nContent-Disposition: form-data; name="Filedata"; filename="'
            + path.encode() + b'"\r\nContent-Type:application/ps\r\n\r\n' + file_bytes)
    for name, value in fields:
        body += (b'--' + b + b'\r\nContent-Disposition: form-data; name="' + name.encode()
                 + b'"\r\n\r\n' + value.encode() + b'\r\n')
    if closing:
        body += b'--' + b + b'\r\n--\r\n'
    return body


# --- a stand-in process ------------------------------------------------------------------

class StandIn:
    def __init__(self, *arguments, state_dir=None):
        self.state_dir = state_dir or tempfile.mkdtemp(prefix='provider-test-')
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(HERE, 'provider.py'), '--state-dir', self.state_dir] + list(arguments),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        ports_file = os.path.join(self.state_dir, 'ports')
        deadline = time.monotonic() + 20
        while not os.path.exists(ports_file):
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise RuntimeError('the stand-in did not start')
            time.sleep(0.05)
        with open(ports_file) as f:
            self.ports = dict(line.split('=', 1) for line in f.read().split())
        self.port = int(self.ports['port'])

    def request(self, verb, path, body=None, headers=None, tls=False, timeout=20):
        if tls:
            context = ssl.create_default_context()
            context.check_hostname = False
            context.verify_mode = ssl.CERT_NONE
            connection = http.client.HTTPSConnection('127.0.0.1', self.port, timeout=timeout, context=context)
        else:
            connection = http.client.HTTPConnection('127.0.0.1', self.port, timeout=timeout)
        try:
            connection.request(verb, path, body=body, headers=headers or {})
            response = connection.getresponse()
            return response.status, response.read()
        finally:
            connection.close()

    def call(self, method, parameters=(), tls=False):
        status, body = self.request('POST', SERVICE, request_document(method, parameters).encode('utf-8'), tls=tls)
        return client_read(body.decode('utf-8'))

    def control(self, verb, route, data=None):
        body = None if data is None else json.dumps(data).encode('utf-8')
        status, answer = self.request(verb, '/_lab/' + route, body)
        return status, json.loads(answer.decode('utf-8'))

    def script(self, **entry):
        status, answer = self.control('POST', 'script', entry)
        assert status == 200, answer

    def requests(self, method=None):
        return self.control('GET', 'requests' + ('?method=' + method if method else ''))[1]

    def stop(self):
        if self.process.poll() is None:
            try:
                self.control('POST', 'shutdown')
            except OSError:
                pass
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.state_dir, ignore_errors=True)


standin = None


def setUpModule():
    global standin
    standin = StandIn()


def tearDownModule():
    standin.stop()


class StandInTest(unittest.TestCase):
    def setUp(self):
        status, _ = standin.control('POST', 'reset')
        self.assertEqual(200, status)


# --- tests -----------------------------------------------------------------------------

class RequestDocuments(StandInTest):
    def test_parameter_tree_keeps_order_types_and_nesting(self):
        body = request_document('createJob', [
            ('zeta', 'last letter first'),
            ('pageCount', ('xml', '<value xmlns:dt="urn:schemas-microsoft-com:datatypes" dt:dt="i2">3</value>')),
            ('options', [('inner', 'x & y'), ('deeper', [('leaf', '<1>')])]),
            ('pair', ('xml', '<value>a</value><value>b</value>')),
            ('nothing', ('xml', '')),
        ])
        standin.request('POST', SERVICE, body.encode('utf-8'))
        record = standin.requests('createJob')[0]
        self.assertEqual('service', record['kind'])
        self.assertEqual(body, record['body'])
        params = record['parameters']
        self.assertEqual(['zeta', 'pageCount', 'options', 'pair', 'nothing'], [p['name'] for p in params])
        self.assertEqual(['string', 'string', 'dictionary', 'array', 'empty'], [p['kind'] for p in params])
        self.assertEqual('i2', params[1]['values'][0]['attributes']['dt:dt'])
        self.assertEqual(['inner', 'deeper'], [p['name'] for p in params[2]['parameters']])
        self.assertEqual([], params[2]['values'])
        self.assertEqual({'zeta': 'last letter first', 'pageCount': '3',
                          'options': {'inner': 'x & y', 'deeper': {'leaf': '<1>'}}, 'pair': ['a', 'b']},
                         record['values'])

    def test_utf16_bodies_with_and_without_byte_order_mark(self):
        text = request_document('getJobSubTypes', [('jobTypeID', 'Größe')])
        for encoded, encoding in ((text.encode('utf-16'), 'utf-16le (byte-order mark)'),
                                  (text.encode('utf-16-le'), 'utf-16le')):
            standin.control('POST', 'clear')
            standin.request('POST', SERVICE, encoded)
            record = standin.requests()[0]
            self.assertEqual(encoding, record['body_encoding'])
            self.assertEqual('getJobSubTypes', record['method'])
            self.assertEqual('Größe', record['values']['jobTypeID'])

    def test_a_body_that_is_no_request_is_kept_and_answered_with_an_error(self):
        for body in (b'<keloAction><method name="x">', b'<other/>', b'\x00\xffjunk'):
            standin.control('POST', 'clear')
            status, answer = standin.request('POST', SERVICE, body)
            self.assertEqual(200, status)
            self.assertTrue(client_read(answer.decode())['returnCode'].startswith('ERROR_'))
            record = standin.requests()[0]
            self.assertIsNone(record['method'])
            self.assertIn('parse_error', record)
            self.assertEqual(body, base64.b64decode(record['body_b64']))


class AnswerDocuments(StandInTest):
    def test_values_are_escaped_twice_and_come_back_whole(self):
        tricky = 'a&b<c>\'d"e &amp; f'
        standin.script(method='getTermsAndConditions', answer={'result': tricky})
        status, raw = standin.request('POST', SERVICE, request_document('getTermsAndConditions').encode())
        text = raw.decode('utf-8')
        self.assertIn('a&amp;amp;b&amp;lt;c&amp;gt;&amp;apos;d"e &amp;amp;amp; f', text)
        self.assertEqual(tricky, client_read(text)['result'])

    def test_escaping_once_hands_references_to_the_client(self):
        standin.script(method='getTermsAndConditions', answer={'result': 'x&quot;y&AMP;z'}, escape='once')
        self.assertEqual('xy&z', standin.call('getTermsAndConditions')['result'])

    def test_arrays_nested_dictionaries_and_empty_parameters(self):
        standin.script(method='getSteps', replace=True, answer={
            'returnCode': 'OK', 'three': ['a', 'b', 'c'], 'single': ['x'],
            'nested': {'inner': {'deep': 1}, 'flag': True}, 'empty': {}, 'gone': None})
        answer = standin.call('getSteps')
        self.assertEqual({'returnCode': 'OK', 'three': ['a', 'b', 'c'], 'single': 'x',
                          'nested': {'inner': {'deep': '1'}, 'flag': 'True'}}, answer)
        record = standin.requests('getSteps')[0]
        self.assertIn('<parameter name="empty"></parameter>', record['answer'])

    def test_every_server_method_has_a_successful_default_answer(self):
        standin.script(method='*', answer={'extra': 'scripted'}, times=1)
        answers = {m: standin.call(m, [('username', 'alice'), ('password', 'secret')] if m == 'login' else [])
                   for m in SERVER_METHODS}
        self.assertEqual('scripted', answers['getProtocol']['extra'])  # the first call used it up
        self.assertNotIn('extra', answers['login'])
        for method, answer in answers.items():
            self.assertEqual('OK', answer['returnCode'], method)
        self.assertEqual('http://', answers['getProtocol']['protocolSheme'])
        self.assertEqual(str(standin.port), answers['uploadJob_nogui']['uploadPort'])
        self.assertTrue(answers['uploadJob_nogui']['uploadPath'])
        self.assertIn('?', answers['getCallUrl']['callUrl'])
        self.assertEqual(2, len(answers['getRestDates']['restDates']))
        self.assertEqual({'update', 'critical', 'downloadUrl'}, set(answers['checkClientVersion']['versionSpec']))
        self.assertRegex(answers['getDefaultRequiredDate']['defaultDate'], r'^\d{4}-\d\d-\d\dT\d\d:\d\d[+-]\d\d:00$')
        self.assertTrue(standin.call('noSuchMethod')['returnCode'].startswith('ERROR_'))

    def test_update_package_and_logo_are_served_where_the_answers_point(self):
        url = standin.call('checkClientVersion', [('version', '1.0')])['versionSpec']['downloadUrl']
        self.assertTrue(url.startswith('http://127.0.0.1:%d/' % standin.port))
        status, package = standin.request('GET', url[len('http://127.0.0.1:%d' % standin.port):])
        self.assertEqual(200, status)
        self.assertTrue(url.endswith('Kelo%20Print%20Driver.msi'))
        self.assertGreater(len(package), 0)
        status, picture = standin.request('GET', standin.call('getLogo')['path'].replace(' ', '%20'))
        self.assertEqual((200, b'BM'), (status, picture[:2]))
        status, _ = standin.request('GET', '/brisvel/versions/250/site/kelo/images/other%20name.gif')
        self.assertEqual(200, status)
        self.assertEqual(404, standin.request('GET', '/nothing/here')[0])

    def test_order_page_records_its_query_and_undoes_the_scramble(self):
        query = 'session=lab&encrypt=1&username=%s&password=%s&filename=%%2Fuploads%%2Fa.ps' % (
            quote(envelope.scramble('alice')), quote(envelope.scramble('se cret')))
        status, _ = standin.request('GET', standin.call('getCallUrl')['callUrl'].split('?')[0] + '?' + query)
        self.assertEqual(200, status)
        record = [r for r in standin.requests() if r['verb'] == 'GET'][0]
        self.assertEqual({'username': 'alice', 'password': 'se cret'}, record['credentials'])
        self.assertIn(['filename', '/uploads/a.ps'], record['query'])


class Login(StandInTest):
    def login(self, name, password, encrypt=True):
        params = [('encrypt', '1')] if encrypt else []
        params += [('username', envelope.scramble(name) if encrypt else name),
                   ('password', envelope.scramble(password) if encrypt else password),
                   ('codepage', '1252'), ('languageId', '1033'), ('language', 'English')]
        return standin.call('login', params)

    def test_scramble_adds_ten_to_nineteen_by_position(self):
        name = 'abcdefghijkl'
        offsets = [ord(s) - ord(c) for s, c in zip(envelope.scramble(name), name)]
        self.assertEqual([10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 10, 11], offsets)
        # Code units, not characters: a surrogate pair is shifted as two units, and
        # the top of the range wraps around.
        units = envelope.scramble('xx\U0001D11E')[2:].encode('utf-16-le', 'surrogatepass')
        self.assertEqual(bytes.fromhex('40d82bdd'), units)
        self.assertEqual('\n', envelope.scramble('a\uffff')[1])

    def test_scrambled_login_is_accepted_and_a_wrong_one_refused(self):
        self.assertEqual('OK', self.login('alice', 'secret')['returnCode'])
        refused = self.login('alice', 'wrong')
        self.assertTrue(refused['returnCode'].startswith('ERROR_'))
        self.assertTrue(refused['returnMessage'])
        self.assertEqual('OK', self.login('alice', 'secret', encrypt=False)['returnCode'])
        records = standin.requests('login')
        self.assertEqual([True, False, True], [r['login']['accepted'] for r in records])
        self.assertEqual('alice', records[0]['login']['username'])
        self.assertNotEqual('alice', records[0]['values']['username'])

    def test_users_with_characters_beyond_ascii(self):
        standin.control('POST', 'users', {'J\u00fcrgen\U0001D11E': 'p\u00e4ss'})
        self.assertEqual('OK', self.login('J\u00fcrgen\U0001D11E', 'p\u00e4ss')['returnCode'])
        self.assertNotEqual('OK', self.login('alice', 'secret')['returnCode'])
        standin.control('POST', 'reset')
        self.assertEqual('OK', self.login('alice', 'secret')['returnCode'])

    def test_refusal_by_script_carries_the_message(self):
        standin.script(method='login', error='ERROR_ACCOUNT_LOCKED', message='Account locked')
        answer = self.login('alice', 'secret')
        self.assertEqual({'returnCode': 'ERROR_ACCOUNT_LOCKED', 'returnMessage': 'Account locked'}, answer)


class ScriptedAnswers(StandInTest):
    def test_an_error_for_a_number_of_times_then_the_default_again(self):
        standin.script(method='getCallUrl', error='ERROR_NO_PAGE', message='No order page', times=2)
        self.assertEqual('No order page', standin.call('getCallUrl')['returnMessage'])
        self.assertEqual('ERROR_NO_PAGE', standin.call('getCallUrl')['returnCode'])
        self.assertEqual('OK', standin.call('getCallUrl')['returnCode'])
        self.assertEqual([], standin.control('GET', 'scripts')[1])

    def test_the_newest_entry_wins_and_overrides_merge_into_the_default(self):
        standin.script(method='checkClientVersion', answer={'versionSpec': {'update': 'True'}})
        standin.script(method='checkClientVersion', answer={'versionSpec': {'critical': 'True'}}, times=1)
        first = standin.call('checkClientVersion')['versionSpec']
        self.assertEqual(('False', 'True'), (first['update'], first['critical']))
        self.assertIn('downloadUrl', first)
        second = standin.call('checkClientVersion')['versionSpec']
        self.assertEqual(('True', 'False'), (second['update'], second['critical']))

    def test_protocol_switch_by_setting_and_by_script(self):
        standin.control('POST', 'settings', {'protocol': 'https://'})
        self.assertEqual('https://', standin.call('getProtocol')['protocolSheme'])
        standin.script(method='getProtocol', answer={'protocolSheme': 'http://'}, times=1)
        self.assertEqual('http://', standin.call('getProtocol')['protocolSheme'])
        # The same port speaks TLS, as a client that switched its URL expects.
        self.assertEqual('OK', standin.call('getJobTypes', tls=True)['returnCode'])
        self.assertEqual([False, False, True], [r['tls'] for r in standin.requests()])

    def test_malformed_answers_status_codes_and_raw_bodies(self):
        standin.script(method='getLogo', malformed=True, times=1)
        standin.script(method='getSteps', status=500, times=1)
        standin.script(method='getJobTypes', status=503, body='Service unavailable', times=1)
        document = request_document
        _, raw = standin.request('POST', SERVICE, document('getLogo').encode())
        with self.assertRaises(ET.ParseError):
            ET.fromstring(raw)
        status, raw = standin.request('POST', SERVICE, document('getSteps').encode())
        self.assertEqual(500, status)
        self.assertEqual('OK', client_read(raw.decode())['returnCode'])
        self.assertEqual((503, b'Service unavailable'),
                         standin.request('POST', SERVICE, document('getJobTypes').encode()))
        standin.script(method='getSteps', pad=300000, times=1)
        _, raw = standin.request('POST', SERVICE, document('getSteps').encode())
        self.assertEqual('OK', client_read(raw.decode())['returnCode'])
        self.assertGreater(len(raw), 300000)
        self.assertEqual(len(raw), standin.requests('getSteps')[-1]['answer_size'])

    def test_a_slow_answer_holds_up_no_other_request(self):
        standin.script(method='getJobStatus', delay=2.0)
        started = time.monotonic()
        slow = threading.Thread(target=lambda: self.assertEqual('OK', standin.call('getJobStatus')['returnCode']))
        slow.start()
        while not standin.requests('getJobStatus'):
            time.sleep(0.02)
        self.assertEqual('OK', standin.call('getJobTypes')['returnCode'])
        pending = standin.requests('getJobStatus')[0]
        self.assertNotIn('answer', pending)  # answered the second while the first still waits
        slow.join()
        self.assertGreaterEqual(time.monotonic() - started, 1.95)
        self.assertIn('answer', standin.requests('getJobStatus')[0])

    def test_closing_without_an_answer_still_records_the_request(self):
        for how in ('close', 'reset'):
            standin.script(method='orderJob', close=how, times=1)
            with self.assertRaises((http.client.RemoteDisconnected, ConnectionError)):
                standin.call('orderJob', [('jobId', '7')])
        records = standin.requests('orderJob')
        self.assertEqual([True, True], [r.get('closed') for r in records])
        self.assertEqual({'jobId': '7'}, records[0]['values'])
        self.assertEqual('OK', standin.call('orderJob')['returnCode'])

    def test_unusable_script_entries_are_refused(self):
        for entry in ({'answer': {}}, {'method': 'x', 'colour': 'red'}, {'method': 'x', 'times': 0}, ['nope']):
            status, answer = standin.control('POST', 'script', entry)
            self.assertEqual(400, status, entry)
            self.assertIn('error', answer)


class MultipartParsing(unittest.TestCase):
    def test_the_file_part_ends_exactly_at_the_next_boundary(self):
        content = b'%!PS\r\n--not a boundary\r\n\r\nend with line end\r\n'
        body = multipart_body(content, 'C:\\Temp\\tmp1A.zip', [('filename', 'job.ps'), ('outPath', '/u/1'),
                                                              ('overwrite', '1'), ('zip', '')])
        parsed = multipart.parse(body, 'multipart/form-data; boundary=' + BOUNDARY)
        self.assertEqual([], parsed['errors'])
        self.assertEqual('crlf-dashes', parsed['closing'])
        head = parsed['parts'][0]
        self.assertEqual(('Filedata', 'C:\\Temp\\tmp1A.zip', 'application/ps'),
                         (head['name'], head['filename'], head['content_type']))
        self.assertEqual(content, body[head['offset']:head['offset'] + head['length']])
        self.assertEqual([['filename', 'job.ps'], ['outPath', '/u/1'], ['overwrite', '1'], ['zip', '']],
                         parsed['fields'])

    def test_an_empty_file_and_no_fields(self):
        parsed = multipart.parse(multipart_body(b'', 'a.ps', []), 'multipart/form-data; boundary=' + BOUNDARY)
        self.assertEqual(([], 0, 'crlf-dashes'), (parsed['errors'], parsed['parts'][0]['length'], parsed['closing']))

    def test_layout_faults_are_reported(self):
        kind = 'multipart/form-data; boundary="%s"' % BOUNDARY
        self.assertEqual('dashes', multipart.parse(
            multipart_body(b'x', 'a', [])[:-len(b'\r\n--\r\n')] + b'--\r\n', kind)['closing'])
        self.assertIsNone(multipart.parse(multipart_body(b'x', 'a', [('k', 'v')], closing=False), kind)['closing'])
        self.assertTrue(multipart.parse(b'--' + BOUNDARY.encode() + b'\r\nno end', kind)['errors'])
        self.assertTrue(multipart.parse(b'x', 'multipart/form-data')['errors'])
        loose = multipart_body(b'x', 'a', [])[:-2] + b'junk'
        self.assertTrue(multipart.parse(loose, kind)['errors'])


class Uploads(StandInTest):
    def upload(self, body, headers=None):
        kind = {'Content-Type': 'multipart/form-data; boundary=' + BOUNDARY}
        kind.update(headers or {})
        return standin.request('POST', UPLOAD, body, kind)

    def test_an_upload_lands_under_the_answered_upload_path(self):
        answer = standin.call('uploadJob_nogui', [('jobId', '0'), ('fileName', 'job1')])
        content = bytes(range(256)) * 50 + b'\r\n'
        fields = [('filename', 'Report.ps'), ('outPath', answer['uploadPath']), ('overwrite', '1')]
        body = multipart_body(content, 'C:\\users\\me\\Temp\\KeloJobs\\job1\\Report.ps', fields)
        self.assertEqual(200, self.upload(body)[0])
        record = [r for r in standin.requests() if r['kind'] == 'upload'][0]
        self.assertEqual(body, base64.b64decode(record['body_b64']))
        upload = standin.control('GET', 'uploads')[1][0]
        self.assertEqual([list(f) for f in fields], upload['fields'])
        self.assertEqual(([], 'crlf-dashes'), (upload['errors'], upload['closing']))
        stored = upload['files'][0]
        self.assertEqual(answer['uploadPath'] + '/Report.ps', stored['server_path'])
        self.assertEqual(len(content), stored['size'])
        with open(stored['stored_path'], 'rb') as f:
            self.assertEqual(content, f.read())
        self.assertEqual((200, content), standin.request('GET', '/_lab/uploads/0/stored'))
        resumed = standin.call('resumeUploadJob', [('filename', 'Report.ps'), ('uploadPath', answer['uploadPath'])])
        self.assertEqual(str(len(content)), resumed['serverFileSize'])

    def test_a_zipped_upload_is_kept_unpacked(self):
        packed = io.BytesIO()
        with zipfile.ZipFile(packed, 'w', zipfile.ZIP_DEFLATED) as archive:
            archive.writestr('tmp3F.tmp', b'%!PS-Adobe-3.0\n' * 100)
        body = multipart_body(packed.getvalue(), 'C:\\Temp\\tmp3F.zip',
                              [('filename', 'a.ps'), ('outPath', '/uploads/z'), ('overwrite', '1'), ('zip', '1')])
        self.upload(body)
        upload = standin.control('GET', 'uploads')[1][0]
        item = upload['files'][0]
        self.assertEqual(['tmp3F.tmp'], [e['name'] for e in item['zip_entries']])
        self.assertEqual(len(packed.getvalue()), item['size'])
        self.assertEqual((200, b'%!PS-Adobe-3.0\n' * 100), standin.request('GET', '/_lab/uploads/0/stored'))
        self.assertEqual((200, packed.getvalue()), standin.request('GET', '/_lab/uploads/0/received'))

    def test_server_paths_cannot_leave_the_files_folder(self):
        self.upload(multipart_body(b'x', 'a', [('filename', '..\\..\\evil.ps'), ('outPath', '../../../C:/tmp'),
                                               ('overwrite', '1')]))
        stored = standin.control('GET', 'uploads')[1][0]['files'][0]['stored_path']
        root = os.path.realpath(os.path.join(standin.state_dir, 'files'))
        self.assertTrue(os.path.realpath(stored).startswith(root + os.sep), stored)

    def test_an_upload_cut_off_in_the_middle_keeps_its_first_bytes(self):
        standin.script(method='upload', close_after=1000, times=1)
        body = multipart_body(b'y' * 200000, 'a.ps', [('filename', 'a.ps'), ('outPath', '/u'), ('overwrite', '1')])
        with self.assertRaises((ConnectionError, http.client.RemoteDisconnected, BrokenPipeError)):
            self.upload(body)
        record = standin.requests()[0]
        self.assertEqual((1000, False, True), (record['body_size'], record['body_complete'], record['closed']))
        self.assertEqual(body[:1000], base64.b64decode(record['body_b64']))
        self.assertEqual([], standin.control('GET', 'uploads')[1])
        self.assertEqual(200, self.upload(body)[0])

    def test_a_throttled_upload_is_read_slowly_and_kept_whole(self):
        standin.script(method='upload', throttle=200000, times=1)
        content = bytes(range(256)) * 1600
        body = multipart_body(content, 'a.ps', [('filename', 'a.ps'), ('outPath', '/u'), ('overwrite', '1')])
        started = time.monotonic()
        self.assertEqual(200, self.upload(body)[0])
        self.assertGreaterEqual(time.monotonic() - started, len(body) / 200000.0 - 0.1)
        self.assertEqual((200, content), standin.request('GET', '/_lab/uploads/0/stored'))


class Control(StandInTest):
    def test_ports_file_and_loopback_only(self):
        self.assertEqual(('127.0.0.1', '1'), (standin.ports['host'], standin.ports['tls']))
        probe = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        try:
            probe.connect(('10.255.255.255', 1))
            outside = probe.getsockname()[0]
        except OSError:
            outside = None
        finally:
            probe.close()
        if outside and not outside.startswith('127.'):
            with self.assertRaises(OSError):
                socket.create_connection((outside, standin.port), timeout=5).close()

    def test_requests_are_listed_in_order_and_filtered(self):
        standin.call('getJobTypes')
        standin.call('deleteJob', [('jobId', '5')])
        standin.call('getJobTypes')
        listing = standin.requests()
        self.assertEqual([1, 2, 3], [r['seq'] for r in listing])
        self.assertEqual(['getJobTypes', 'deleteJob', 'getJobTypes'], [r['method'] for r in listing])
        self.assertEqual([2], [r['seq'] for r in standin.requests('deleteJob')])
        since = standin.control('GET', 'requests?since=2&bodies=0')[1]
        self.assertEqual(([3], False), ([r['seq'] for r in since], 'body_b64' in since[0]))
        self.assertEqual(request_document('deleteJob', [('jobId', '5')]).encode(),
                         standin.request('GET', '/_lab/requests/2/body')[1])

    def test_reset_forgets_records_scripts_settings_and_added_files(self):
        standin.script(method='getLogo', error='ERROR_X')
        standin.control('POST', 'settings', {'protocol': 'https://', 'upload_port': 1234})
        standin.control('POST', 'files', {'path': '/extra/pic.gif', 'base64': base64.b64encode(b'GIF89a').decode()})
        self.assertEqual((200, b'GIF89a'), standin.request('GET', '/extra/pic.gif'))
        self.assertEqual('1234', standin.call('uploadJob_nogui')['uploadPort'])
        standin.control('POST', 'reset')
        self.assertEqual([], standin.requests())
        self.assertEqual('OK', standin.call('getLogo')['returnCode'])
        self.assertEqual('http://', standin.call('getProtocol')['protocolSheme'])
        self.assertEqual(404, standin.request('GET', '/extra/pic.gif')[0])

    def test_unknown_operations_and_bad_json(self):
        self.assertEqual(404, standin.control('GET', 'nothing')[0])
        status, _ = standin.request('POST', '/_lab/script', b'{not json')
        self.assertEqual(400, status)


class Lifetime(unittest.TestCase):
    def test_closing_the_lifeline_stops_it_and_cleans_up(self):
        process = StandIn('--lifeline-timeout', '30', '--cleanup', '--no-tls', '--extra-port', '0')
        try:
            self.assertEqual('0', process.ports['tls'])
            self.assertIn('extra_port', process.ports)
            lifeline = socket.create_connection(('127.0.0.1', process.port))
            lifeline.sendall(b'GET /_lab/lifeline HTTP/1.1\r\nHost: x\r\n\r\n')
            self.assertTrue(lifeline.recv(100).startswith(b'HTTP/1.1 200'))
            status, _ = process.request('GET', '/_lab/ping')
            self.assertEqual(200, status)
            lifeline.close()
            self.assertEqual(0, process.process.wait(15))
            self.assertFalse(os.path.exists(process.state_dir))
        finally:
            process.stop()

    def test_without_a_lifeline_it_stops_by_itself(self):
        process = StandIn('--lifeline-timeout', '0.3', '--no-tls')
        try:
            self.assertEqual(0, process.process.wait(15))
            self.assertFalse(os.path.exists(os.path.join(process.state_dir, 'ports')))
        finally:
            process.stop()


if __name__ == '__main__':
    unittest.main()
