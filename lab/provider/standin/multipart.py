"""The upload endpoint's multipart body, read byte for byte.

The client writes: a file part whose content is followed directly (no CRLF) by the
next boundary line, field parts "name" CRLF CRLF value CRLF, and a closing made of a
boundary line followed by a line "--". A file part therefore ends exactly where the
next "--" + boundary begins; nothing is trimmed from it. The standard closing
("--" + boundary + "--") is accepted too, and which one arrived is recorded."""
import re

CRLF = b'\r\n'


def boundary_of(content_type):
    """The boundary parameter of a multipart Content-Type header, or None."""
    match = re.search(r'boundary=("([^"]*)"|[^;\s]+)', content_type or '', re.IGNORECASE)
    if not match:
        return None
    return match.group(2) if match.group(2) is not None else match.group(1)


def _disposition(value):
    """form-data; name="..."; filename="..." -> (name, filename). Backslashes in a
    Windows path are taken as they are, not as escapes."""
    name = re.search(r'(?:^|;)\s*name="([^"]*)"', value)
    filename = re.search(r'(?:^|;)\s*filename="([^"]*)"', value)
    return (name.group(1) if name else None, filename.group(1) if filename else None)


def parse(body, content_type):
    """Splits a multipart body. Returns a dictionary with "boundary", "parts" (each:
    name, filename or None, headers, content_type, offset and length of its content,
    and for fields the value), "fields" ([name, value] in order), "closing"
    ("crlf-dashes" for the client's closing, "dashes" for the standard one, None when
    missing), "trailing" (bytes after the closing) and "errors" (texts)."""
    result = {'boundary': None, 'parts': [], 'fields': [], 'closing': None,
              'trailing': 0, 'errors': []}
    boundary = boundary_of(content_type)
    if boundary is None:
        result['errors'].append('no boundary in the Content-Type header')
        return result
    result['boundary'] = boundary
    delimiter = b'--' + boundary.encode('latin-1')
    if not body.startswith(delimiter):
        result['errors'].append('the body does not begin with the boundary line')
        return result
    pos = 0
    while True:
        after = pos + len(delimiter)
        if body.startswith(CRLF + b'--' + CRLF, after):
            result['closing'] = 'crlf-dashes'
            end = after + len(CRLF + b'--' + CRLF)
            break
        if body.startswith(b'--', after):
            result['closing'] = 'dashes'
            end = after + 2
            if body.startswith(CRLF, end):
                end += 2
            break
        if not body.startswith(CRLF, after):
            result['errors'].append('no line end after the boundary at byte %d' % pos)
            return result
        head_start = after + 2
        head_end = body.find(CRLF + CRLF, head_start)
        if head_end < 0:
            result['errors'].append('part headers without an end at byte %d' % head_start)
            return result
        content_start = head_end + 4
        next_pos = body.find(delimiter, content_start)
        if next_pos < 0:
            result['errors'].append('part at byte %d has no boundary after it' % pos)
            return result
        result['parts'].append(_read_part(body, head_start, head_end, content_start, next_pos, result))
        pos = next_pos
    result['trailing'] = len(body) - end
    if result['trailing']:
        result['errors'].append('%d bytes after the closing' % result['trailing'])
    return result


def _read_part(body, head_start, head_end, content_start, content_end, result):
    headers = []
    for line in body[head_start:head_end].split(CRLF):
        key, _, value = line.decode('utf-8', 'replace').partition(':')
        headers.append([key.strip(), value.strip()])
    disposition = next((v for k, v in headers if k.lower() == 'content-disposition'), '')
    name, filename = _disposition(disposition)
    part = {
        'name': name,
        'filename': filename,
        'headers': headers,
        'content_type': next((v for k, v in headers if k.lower() == 'content-type'), None),
        'offset': content_start,
        'length': content_end - content_start,
    }
    if filename is None:
        raw = body[content_start:content_end]
        if raw.endswith(CRLF):
            raw = raw[:-2]
        else:
            result['errors'].append('field "%s" does not end with a line end' % name)
        part['value'] = raw.decode('utf-8', 'replace')
        result['fields'].append([name, part['value']])
    return part
