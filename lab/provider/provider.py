#!/usr/bin/env python3
"""The print provider's web server as the test lab plays it: service page, upload
endpoint, pictures, order page and update package on 127.0.0.1, with a control
interface under /_lab/ (see README.md). Python standard library only."""
import argparse
import os
import shutil
import signal
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from standin import tls  # noqa: E402
from standin.server import LOOPBACK, ServerGroup  # noqa: E402
from standin.state import DEFAULT_USERS, State  # noqa: E402


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument('--port', type=int, default=0, help='main port (0: a free one)')
    parser.add_argument('--extra-port', type=int, default=None,
                        help='a second port serving the same (0: a free one)')
    parser.add_argument('--state-dir', help='folder for records, files and the certificate (default: a new one)')
    parser.add_argument('--ports-file', help='where the chosen ports are written (default: STATE_DIR/ports)')
    parser.add_argument('--user', action='append', default=[], metavar='NAME:PASSWORD',
                        help='an accepted login (repeatable; replaces the default alice:secret)')
    parser.add_argument('--protocol', default='http://', help='the "protocolSheme" answer')
    parser.add_argument('--upload-port', type=int, default=None,
                        help='the "uploadPort" answer (default: the port the request came to)')
    parser.add_argument('--no-tls', action='store_true', help='serve no TLS (no certificate is made)')
    parser.add_argument('--detach', action='store_true',
                        help='close inherited descriptors and write output to STATE_DIR/provider.log')
    parser.add_argument('--lifeline-timeout', type=float, default=0,
                        help='stop when no /_lab/lifeline connection came within this many seconds')
    parser.add_argument('--max-lifetime', type=float, default=0, help='stop after this many seconds')
    parser.add_argument('--cleanup', action='store_true', help='delete the state folder when stopping')
    return parser.parse_args(argv)


def detach(state_dir):
    """Lets go of whatever the starting process handed down (a test runner waits for
    every holder of its output pipes) and sends the output to a log file."""
    null = os.open(os.devnull, os.O_RDONLY)
    log = os.open(os.path.join(state_dir, 'provider.log'), os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o644)
    os.dup2(null, 0)
    os.dup2(log, 1)
    os.dup2(log, 2)
    os.closerange(3, 65536)


def write_ports_file(path, group, state_dir):
    ports = group.ports
    lines = ['port=%d' % ports[0]]
    if len(ports) > 1:
        lines.append('extra_port=%d' % ports[1])
    lines += ['host=%s' % LOOPBACK, 'tls=%d' % (group.tls_context is not None),
              'pid=%d' % os.getpid(), 'state_dir=%s' % state_dir]
    temporary = path + '.tmp'
    with open(temporary, 'w') as f:
        f.write('\n'.join(lines) + '\n')
    os.replace(temporary, path)


def main(argv):
    args = parse_arguments(argv)
    state_dir = os.path.abspath(args.state_dir or tempfile.mkdtemp(prefix='kelo-provider-'))
    os.makedirs(state_dir, exist_ok=True)
    if args.detach:
        detach(state_dir)
    users = dict(u.split(':', 1) for u in args.user) if args.user else DEFAULT_USERS
    state = State(state_dir, users=users, protocol=args.protocol, upload_port=args.upload_port)
    context = None if args.no_tls else tls.server_context(state_dir)
    ports = [args.port] + ([args.extra_port] if args.extra_port is not None else [])
    group = ServerGroup(state, context, ports)
    for signal_number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(signal_number, lambda *_: group.stop())
    group.start()
    ports_file = args.ports_file or os.path.join(state_dir, 'ports')
    write_ports_file(ports_file, group, state_dir)
    print('provider: listening on %s ports %s (tls %s), state in %s'
          % (LOOPBACK, group.ports, 'on' if context else 'off', state_dir), flush=True)

    started = time.monotonic()
    while not group.stopped.wait(0.2):
        waited = time.monotonic() - started
        if args.lifeline_timeout and not group.lifeline_seen.is_set() and waited > args.lifeline_timeout:
            print('provider: no lifeline came; stopping', flush=True)
            break
        if args.max_lifetime and waited > args.max_lifetime:
            print('provider: lifetime over; stopping', flush=True)
            break
    group.close()
    if args.cleanup:
        shutil.rmtree(state_dir, ignore_errors=True)
    elif os.path.exists(ports_file):
        os.remove(ports_file)
    print('provider: stopped', flush=True)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
