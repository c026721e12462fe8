"""Request documents posted to the service page, and the answer documents sent back.

A request reads <keloAction><method name="..."><parameter name="...">...</parameter>
</method></keloAction>; a parameter holds one "value" (a string), several (an array)
or nested "parameter" elements (a dictionary). An answer reads the same way under
<keloResult>. The client decodes &gt; &lt; &amp; &apos; once more after the XML
parser, so answer values are escaped twice."""
import re
import xml.dom.minidom
from xml.parsers.expat import ExpatError


class RequestError(Exception):
    """A body that is not a request document."""


# --- credentials ------------------------------------------------------------------

def _shift_units(text, sign):
    units = text.encode('utf-16-le', 'surrogatepass')
    out = bytearray()
    for i in range(len(units) // 2):
        unit = int.from_bytes(units[2 * i:2 * i + 2], 'little')
        unit = (unit + sign * (10 + i % 10)) & 0xFFFF
        out += unit.to_bytes(2, 'little')
    return out.decode('utf-16-le', 'surrogatepass')


def scramble(text):
    """What the client sends for a user name or password: UTF-16 code unit i is
    increased by 10 + (i mod 10), modulo 65536."""
    return _shift_units(text, +1)


def unscramble(text):
    return _shift_units(text, -1)


# --- request documents --------------------------------------------------------------

def detect_encoding(raw):
    """Names how a request body is encoded, as far as its first bytes tell."""
    if raw.startswith(b'\xef\xbb\xbf'):
        return 'utf-8 (byte-order mark)'
    if raw.startswith(b'\xff\xfe'):
        return 'utf-16le (byte-order mark)'
    if raw.startswith(b'\xfe\xff'):
        return 'utf-16be (byte-order mark)'
    if len(raw) >= 2 and raw[1] == 0:
        return 'utf-16le'
    if len(raw) >= 2 and raw[0] == 0:
        return 'utf-16be'
    match = re.match(rb'<\?xml[^>]*encoding=["\']([A-Za-z0-9._-]+)', raw)
    return match.group(1).decode('ascii').lower() if match else 'utf-8'


def _parse_xml(raw):
    try:
        return xml.dom.minidom.parseString(raw)
    except ExpatError as first:
        encoding = detect_encoding(raw)
        if encoding in ('utf-16le', 'utf-16be'):
            # A UTF-16 body without byte-order mark: expat needs to be told.
            text = raw.decode(encoding, 'surrogatepass')
            text = re.sub(r'^<\?xml[^>]*\?>', '', text)
            try:
                return xml.dom.minidom.parseString(text.encode('utf-8', 'surrogatepass'))
            except ExpatError as second:
                raise RequestError('not well-formed: %s' % second) from None
        raise RequestError('not well-formed: %s' % first) from None


def _elements(node, tag=None):
    return [n for n in node.childNodes
            if n.nodeType == n.ELEMENT_NODE and (tag is None or n.tagName == tag)]


def _text(node):
    parts = []
    for child in node.childNodes:
        if child.nodeType in (child.TEXT_NODE, child.CDATA_SECTION_NODE):
            parts.append(child.data)
        elif child.nodeType == child.ELEMENT_NODE:
            parts.append(_text(child))
    return ''.join(parts)


def _attributes(element, skip=()):
    return {name: value for name, value in element.attributes.items() if name not in skip}


def _read_parameter(element):
    values = [{'text': _text(v), 'attributes': _attributes(v)} for v in _elements(element, 'value')]
    nested = [_read_parameter(p) for p in _elements(element, 'parameter')]
    if values and nested:
        kind = 'mixed'
    elif len(values) == 1:
        kind = 'string'
    elif values:
        kind = 'array'
    elif nested:
        kind = 'dictionary'
    else:
        kind = 'empty'
    return {
        'name': element.getAttribute('name') if element.hasAttribute('name') else None,
        'kind': kind,
        'attributes': _attributes(element, skip=('name',)),
        'values': values,
        'parameters': nested,
        'other_children': [e.tagName for e in _elements(element)
                           if e.tagName not in ('value', 'parameter')],
    }


def flat_values(parameters):
    """The parameters as the client's dictionary would hold them: a string, a list of
    strings or a nested dictionary per name; parameters with neither are left out."""
    result = {}
    for p in parameters:
        if p['values'] and len(p['values']) == 1:
            result[p['name']] = p['values'][0]['text']
        elif p['values']:
            result[p['name']] = [v['text'] for v in p['values']]
        elif p['parameters']:
            result[p['name']] = flat_values(p['parameters'])
    return result


def parse_request(raw):
    """Reads a request document; returns its method name and its parameter tree in
    document order. Raises RequestError for anything that is not one."""
    root = _parse_xml(raw).documentElement
    if root.tagName != 'keloAction':
        raise RequestError('the root element is "%s", not "keloAction"' % root.tagName)
    methods = _elements(root, 'method')
    if not methods:
        raise RequestError('no "method" element')
    method = methods[0]
    parameters = [_read_parameter(p) for p in _elements(method, 'parameter')]
    return {
        'method': method.getAttribute('name') if method.hasAttribute('name') else None,
        'method_count': len(methods),
        'parameters': parameters,
        'values': flat_values(parameters),
        'other_children': [e.tagName for e in _elements(method) if e.tagName != 'parameter'],
    }


# --- answer documents ---------------------------------------------------------------

def client_escape(text):
    """The server's own escaping of a value, which the client undoes after the XML
    parser; the quotation mark is left alone because the client drops its reference."""
    return (text.replace('&', '&amp;').replace('<', '&lt;')
                .replace('>', '&gt;').replace("'", '&apos;'))


def _xml_text(text):
    return text.replace('&', '&amp;').replace('<', '&lt;').replace('>', '&gt;')


def _xml_attribute(text):
    return _xml_text(text).replace('"', '&quot;')


def value_text(value):
    if isinstance(value, bool):
        return 'True' if value else 'False'
    if isinstance(value, float) and value.is_integer():
        return str(int(value))
    return str(value)


def _write_parameter(name, value, out, escape_twice):
    out.append('<parameter name="%s">' % _xml_attribute(str(name)))
    if isinstance(value, dict):
        for key, item in value.items():
            if item is not None:
                _write_parameter(key, item, out, escape_twice)
    else:
        items = value if isinstance(value, list) else [value]
        for item in items:
            text = value_text(item)
            out.append('<value>%s</value>' % _xml_text(client_escape(text) if escape_twice else text))
    out.append('</parameter>')


def answer_document(method_name, fields, escape_twice=True):
    """The keloResult document for an answer. A field value is a string (one value), a
    list (one value per item), a dictionary (nested parameters; an empty one gives a
    parameter with neither values nor parameters) or None (left out). With
    escape_twice false, values are only XML-escaped: the text given is then what the
    client's own decoding sees."""
    out = ['<keloResult><method name="%s">' % _xml_attribute(method_name or '')]
    for name, value in fields.items():
        if value is not None:
            _write_parameter(name, value, out, escape_twice)
    out.append('</method></keloResult>')
    return ''.join(out)


def malformed_document(method_name):
    """An answer that is not well-formed: the root element is never closed."""
    return ('<keloResult><method name="%s"><parameter name="returnCode"><value>OK</value>'
            '</parameter></method>' % _xml_attribute(method_name or ''))
