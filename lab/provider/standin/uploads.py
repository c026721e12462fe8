"""Keeping what arrives at the upload endpoint: the received file bytes as they came,
and the file as the provider keeps it, under the path the client named ("outPath",
which the client took from the "uploadPath" answer) and the name it gave ("filename").
A zipped upload ("zip" = "1") is kept unpacked when the archive holds one entry."""
import io
import os
import zipfile

from . import multipart
from .state import safe_relative_path


def _write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def _zip_entries(data, errors):
    try:
        with zipfile.ZipFile(io.BytesIO(data)) as archive:
            entries = []
            for item in archive.infolist():
                entries.append({'name': item.filename, 'size': item.file_size,
                                'compressed_size': item.compress_size,
                                'method': item.compress_type, 'date_time': list(item.date_time),
                                'crc': item.CRC})
            content = archive.read(archive.infolist()[0]) if len(entries) == 1 else None
            bad = archive.testzip()
            if bad is not None:
                errors.append('zip entry "%s" is damaged' % bad)
            return entries, content
    except (zipfile.BadZipFile, OSError, EOFError, RuntimeError) as error:
        errors.append('not a zip archive: %s' % error)
        return None, None


def store_upload(state, seq, body, content_type):
    """Parses an upload body, writes its files and returns the upload's description."""
    parsed = multipart.parse(body, content_type)
    fields = parsed['fields']
    values = {}
    for name, value in fields:
        values.setdefault(name, value)
    upload = {
        'seq': seq,
        'content_type': content_type,
        'boundary': parsed['boundary'],
        'closing': parsed['closing'],
        'errors': list(parsed['errors']),
        'fields': fields,
        'field_values': values,
        'parts': [{k: v for k, v in p.items() if k != 'value'} for p in parsed['parts']],
        'files': [],
    }
    file_parts = [p for p in parsed['parts'] if p['filename'] is not None]
    for number, part in enumerate(file_parts):
        data = body[part['offset']:part['offset'] + part['length']]
        received = os.path.join(state.state_dir, 'received', '%d-%d.bin' % (seq, number))
        _write(received, data)
        name = values.get('filename') or part['filename'].replace('\\', '/').rsplit('/', 1)[-1]
        out_path = values.get('outPath', '')
        content, entries = data, None
        if values.get('zip') == '1':
            entries, unpacked = _zip_entries(data, upload['errors'])
            if unpacked is not None:
                content = unpacked
        stored = os.path.join(state.files_root(), safe_relative_path(out_path, name))
        kept_existing = values.get('overwrite') != '1' and os.path.exists(stored)
        if not kept_existing:
            _write(stored, content)
        upload['files'].append({
            'form_name': part['name'],
            'filename': part['filename'],
            'content_type': part['content_type'],
            'size': len(data),
            'received_path': received,
            'server_path': out_path.rstrip('/\\') + '/' + name,
            'stored_path': stored,
            'stored_size': len(content),
            'kept_existing': kept_existing,
            'zip_entries': entries,
        })
    return upload
