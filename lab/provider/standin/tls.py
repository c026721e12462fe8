"""The stand-in's self-signed certificate, made with the openssl tool."""
import os
import shutil
import ssl
import subprocess


def make_certificate(folder):
    """Writes cert.pem and key.pem into the folder (once) and returns their paths, or
    None when the openssl tool is missing or fails."""
    cert = os.path.join(folder, 'cert.pem')
    key = os.path.join(folder, 'key.pem')
    if os.path.isfile(cert) and os.path.isfile(key):
        return cert, key
    openssl = shutil.which('openssl')
    if openssl is None:
        return None
    command = [openssl, 'req', '-x509', '-newkey', 'ec', '-pkeyopt', 'ec_paramgen_curve:prime256v1',
               '-nodes', '-keyout', key, '-out', cert, '-days', '3650',
               '-subj', '/CN=127.0.0.1', '-addext', 'subjectAltName=IP:127.0.0.1,DNS:localhost']
    done = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, timeout=60)
    if done.returncode != 0:
        print('provider: openssl failed: %s' % done.stderr.decode('utf-8', 'replace').strip(), flush=True)
        return None
    return cert, key


def server_context(folder):
    """A server-side TLS context with the stand-in's certificate, or None."""
    paths = make_certificate(folder)
    if paths is None:
        return None
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1
    try:
        context.set_ciphers('DEFAULT:@SECLEVEL=0')
    except ssl.SSLError:
        pass
    context.load_cert_chain(*paths)
    return context
