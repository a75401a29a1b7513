#!/usr/bin/python3
"""A programmable stand-in for a KELVOR unit's FTP server, on pyftpdlib.

It serves one folder to one user, records every command it receives, and can
be told to misbehave in the ways a unit or a network can. The tests start it
through the C++ fixture in tests/support/UnitStandIn.h; it also serves as the
simulated unit for demonstrations:

    /usr/bin/python3 tests/support/unit_standin.py --address 127.1.1.10 \\
        --port 21 --user kelvor --password kelvor --root DIR

Start-up: once listening it prints "PORT <n>" as the first line on standard
output and flushes it (with --port 0 the system picks a free port). Nothing
else is written to standard output; pyftpdlib's own log goes to standard
error. It runs until it receives SIGTERM or SIGINT.

Command log (--log FILE): one JSON object per line, flushed line by line:
  {"kind": "connect", "seq": 1, "session": 1, "peer": "127.0.0.1:50000"}
  {"kind": "command", "seq": 2, "session": 1, "cmd": "STOR",
   "arg_hex": "2f612062", "line": "STOR /a b"}
      cmd is the verb in upper case; arg_hex the raw bytes after the first
      space, hex-encoded; line the whole line decoded for reading (invalid
      UTF-8 replaced), without the CRLF.
  {"kind": "received", "seq": 9, "session": 1, "path": "/a b", "bytes": 3,
   "sha256": "...", "complete": true}
      a STOR's data connection has closed; complete is false when the
      transfer was cut short.
  {"kind": "stalled", "seq": 7, "session": 1, "bytes": 1048576}
      --stall-stor-after has taken effect: the data connection is no
      longer read.
  {"kind": "disconnect", "seq": 12, "session": 1}
Commands are logged when they arrive, before they are acted on or answered,
so once a client has seen a reply every command before it is in the log.

Faults (all optional, freely combined):
  --refuse-login              every PASS is answered 530
  --auth-failed-delay S       delay of a refused login's 530 (default 0.5 s)
  --refuse CMD:CODE[:COUNT]   answer CMD (STOR, DELE, NLST, ...) with CODE
                              instead of carrying it out; only the first
                              COUNT times when COUNT is given (repeatable)
  --never-answer CMD          log CMD but never answer it (repeatable)
  --reply CMD:LINE            answer CMD with exactly LINE instead of
                              carrying it out (repeatable)
  --keep-stor-bytes N         write only the first N bytes of a STOR to the
                              file and answer 226 all the same (SIZE then
                              gives what was kept; "received" counts all)
  --stall-stor-after N        stop reading a STOR's data connection after N
                              bytes; the client's sending then blocks
  --late-226 S                answer a finished STOR's final 226 S seconds
                              after the data connection has closed
  --drop-after N              close the control (and data) connection once a
                              STOR has received N bytes

Listings (NLST); by default the real folder content, sorted, CRLF-ended,
and "550" for a folder that does not exist, as pyftpdlib answers:
  --listing NAME              a scripted listing: these names in this order
                              (repeatable; "." and ".." allowed), whatever
                              the folder holds
  --empty-listing             a scripted listing with no names at all
  --listing-raw FILE          a scripted listing of exactly the bytes of
                              FILE, line ends and all: names no command
                              line can carry (NUL), listings of any size
  --listing-path PATH         apply the scripted listing only to NLST PATH
                              (the argument as sent); other arguments get
                              the real listing
  --dot-entries               real listings start with "." and ".."
  --listing-prefix            put the NLST argument in front of each name,
                              as vsftpd does ("NLST /prog/" gives
                              "/prog/name", "NLST prog" gives "prog/name")
  --listing-eol {crlf,lf}     line end of listings (default crlf)
"""

import argparse
import hashlib
import json
import logging
import os
import signal
import sys

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer


class CommandLog:
    """Appends JSON lines to a file, flushing each, or does nothing."""

    def __init__(self, path):
        self._file = open(path, "a", encoding="ascii") if path else None
        self._seq = 0

    def write(self, kind, **fields):
        if self._file is None:
            return
        self._seq += 1
        record = {"kind": kind, "seq": self._seq}
        record.update(fields)
        self._file.write(json.dumps(record, ensure_ascii=True) + "\n")
        self._file.flush()


class Config:
    """The parsed options, shared by every session."""

    def __init__(self, args):
        self.log = CommandLog(args.log)
        self.refusals = {}
        for value in args.refuse:
            parts = value.split(":")
            if len(parts) not in (2, 3) or not parts[1].isdigit():
                raise SystemExit("--refuse wants CMD:CODE[:COUNT], got %r" % value)
            count = int(parts[2]) if len(parts) == 3 else None
            self.refusals[parts[0].upper()] = [int(parts[1]), count]
        self.never_answer = {c.upper() for c in args.never_answer}
        self.replies = {}
        for value in args.reply:
            cmd, sep, line = value.partition(":")
            if not sep:
                raise SystemExit("--reply wants CMD:LINE, got %r" % value)
            self.replies[cmd.upper()] = line
        self.keep_stor_bytes = args.keep_stor_bytes
        self.stall_after = args.stall_stor_after
        self.late_226 = args.late_226
        self.drop_after = args.drop_after
        self.scripted = None
        if args.empty_listing:
            self.scripted = []
        if args.listing:
            self.scripted = list(args.listing)
        self.raw_listing = None
        if args.listing_raw is not None:
            with open(args.listing_raw, "rb") as raw:
                self.raw_listing = raw.read()
        self.listing_path = args.listing_path
        self.dot_entries = args.dot_entries
        self.listing_prefix = args.listing_prefix
        self.eol = "\r\n" if args.listing_eol == "crlf" else "\n"
        self.sessions = 0

    def take_refusal(self, cmd):
        """The reply code to refuse cmd with this time, or None."""
        entry = self.refusals.get(cmd)
        if entry is None:
            return None
        code, remaining = entry
        if remaining is None:
            return code
        if remaining <= 0:
            return None
        entry[1] = remaining - 1
        return code


class RefusingAuthorizer(DummyAuthorizer):
    def validate_authentication(self, username, password, handler):
        raise AuthenticationFailed("Login refused.")


class HashingFile:
    """Wraps the file a STOR writes to, hashing and counting what passes."""

    def __init__(self, inner, keep=None):
        self._inner = inner
        self._keep = keep
        self.sha256 = hashlib.sha256()
        self.bytes = 0

    def write(self, data):
        self.sha256.update(data)
        kept = self.bytes
        self.bytes += len(data)
        if self._keep is not None:
            data = data[:max(0, self._keep - kept)]
        return self._inner.write(data)

    def close(self):
        self._inner.close()

    @property
    def closed(self):
        return self._inner.closed

    @property
    def name(self):
        return self._inner.name


class StandInDTPHandler(DTPHandler):
    """The data connection, with the STOR faults."""

    def __init__(self, sock, cmd_channel):
        self._stalled = False
        self._ftp_path = None
        DTPHandler.__init__(self, sock, cmd_channel)

    def enable_receiving(self, type, cmd):
        if cmd == "STOR" and self.file_obj is not None:
            self.file_obj = HashingFile(self.file_obj,
                                        self.cmd_channel.config.keep_stor_bytes)
            self._ftp_path = self.cmd_channel.fs.fs2ftp(self.file_obj.name)
        DTPHandler.enable_receiving(self, type, cmd)

    def handle_read(self):
        DTPHandler.handle_read(self)
        if self.cmd != "STOR" or self._closed:
            return
        config = self.cmd_channel.config
        received = self.tot_bytes_received
        if config.drop_after is not None and received >= config.drop_after:
            self.cmd_channel.log_event("dropped", bytes=received)
            self.cmd_channel.close()
            return
        if config.stall_after is not None and received >= config.stall_after:
            # Leave the socket open but unwatched: the kernel buffers fill
            # up and the client can send no more. It is closed with the
            # control connection.
            self._stalled = True
            if self._idler is not None and not self._idler.cancelled:
                self._idler.cancel()
            self.del_channel()
            self.cmd_channel.log_event("stalled", bytes=received)

    # DTPHandler binds handle_read_event to its own handle_read.
    handle_read_event = handle_read

    def close(self):
        if self._closed:
            return
        late = self.cmd_channel.config.late_226
        delayed = None
        if (late and self.cmd == "STOR" and self._resp
                and self._resp[0].startswith("226")):
            delayed = self._resp[0]
            self._resp = ()
        hashing = self.file_obj if isinstance(self.file_obj, HashingFile) else None
        if hashing is not None:
            self.cmd_channel.log_event(
                "received", path=self._ftp_path, bytes=hashing.bytes,
                sha256=hashing.sha256.hexdigest(),
                complete=bool(self.transfer_finished and not self._stalled))
        DTPHandler.close(self)
        if delayed is not None:
            channel = self.cmd_channel

            def answer():
                if not channel._closed:
                    channel.respond(delayed)

            self.ioloop.call_later(late, answer)


class StandInHandler(FTPHandler):
    """The control connection: logs commands and applies the faults."""

    dtp_handler = StandInDTPHandler
    config = None  # set before the server starts

    def __init__(self, conn, server, ioloop=None):
        self.session = None
        FTPHandler.__init__(self, conn, server, ioloop)

    def log_event(self, kind, **fields):
        self.config.log.write(kind, session=self.session, **fields)

    def handle(self):
        self.config.sessions += 1
        self.session = self.config.sessions
        peer = "%s:%s" % (self.remote_ip, self.remote_port)
        self.log_event("connect", peer=peer)
        FTPHandler.handle(self)

    def close(self):
        if not self._closed and self.session is not None:
            self.log_event("disconnect")
        FTPHandler.close(self)

    def found_terminator(self):
        raw = b"".join(self._in_buffer)
        verb, _, arg = raw.partition(b" ")
        self.log_event(
            "command", cmd=verb.decode("ascii", "replace").upper(),
            arg_hex=arg.hex(), line=raw.decode("utf8", "replace"))
        FTPHandler.found_terminator(self)

    def pre_process_command(self, line, cmd, arg):
        if cmd in self.config.never_answer:
            return
        self._last_argument = arg
        FTPHandler.pre_process_command(self, line, cmd, arg)

    def process_command(self, cmd, *args, **kwargs):
        if cmd in self.config.replies:
            self.respond(self.config.replies[cmd])
            return
        code = self.config.take_refusal(cmd)
        if code is not None:
            self.respond("%03d %s refused by the stand-in." % (code, cmd))
            return
        FTPHandler.process_command(self, cmd, *args, **kwargs)

    def ftp_NLST(self, path):
        config = self.config
        argument = getattr(self, "_last_argument", "")
        names = None
        applies = config.listing_path is None or config.listing_path == argument
        if config.raw_listing is not None and applies:
            self.push_dtp_data(config.raw_listing, cmd="NLST")
            return path
        if config.scripted is not None and applies:
            names = list(config.scripted)
        elif config.dot_entries or config.listing_prefix or config.eol != "\r\n":
            try:
                if not self.fs.isdir(path):
                    raise OSError("Not a directory")
                names = sorted(self.run_as_current_user(self.fs.listdir, path))
            except OSError as err:
                self.respond("550 %s." % (err.strerror or err))
                return None
            if config.dot_entries:
                names = [".", ".."] + names
        if names is None:
            return FTPHandler.ftp_NLST(self, path)
        if config.listing_prefix and argument:
            stem = argument.rstrip("/")
            names = [stem + "/" + n for n in names]
        data = "".join(n + config.eol for n in names)
        self.push_dtp_data(data.encode("utf8", "replace"), cmd="NLST")
        return path


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--address", default="127.0.0.1",
                        help="loopback address to listen on (default 127.0.0.1)")
    parser.add_argument("--port", type=int, default=0,
                        help="port to listen on; 0 picks a free one (default)")
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--root", required=True, help="folder to serve")
    parser.add_argument("--log", help="JSON-lines command log to append to")
    parser.add_argument("--refuse-login", action="store_true")
    parser.add_argument("--auth-failed-delay", type=float, default=0.5)
    parser.add_argument("--refuse", action="append", default=[],
                        metavar="CMD:CODE[:COUNT]")
    parser.add_argument("--never-answer", action="append", default=[], metavar="CMD")
    parser.add_argument("--reply", action="append", default=[], metavar="CMD:LINE")
    parser.add_argument("--keep-stor-bytes", type=int, metavar="N")
    parser.add_argument("--stall-stor-after", type=int, metavar="N")
    parser.add_argument("--late-226", type=float, metavar="SECONDS")
    parser.add_argument("--drop-after", type=int, metavar="N")
    parser.add_argument("--listing", action="append", metavar="NAME")
    parser.add_argument("--empty-listing", action="store_true")
    parser.add_argument("--listing-raw", metavar="FILE")
    parser.add_argument("--listing-path", metavar="PATH")
    parser.add_argument("--dot-entries", action="store_true")
    parser.add_argument("--listing-prefix", action="store_true")
    parser.add_argument("--listing-eol", choices=("crlf", "lf"), default="crlf")
    parser.add_argument("--verbose", action="store_true",
                        help="log every command and reply on standard error")
    return parser.parse_args(argv)


def main(argv):
    args = parse_arguments(argv)
    if not args.address.startswith("127."):
        raise SystemExit("the stand-in listens on loopback addresses only")
    logging.basicConfig(stream=sys.stderr,
                        level=logging.DEBUG if args.verbose else logging.INFO,
                        format="[unit_standin] %(message)s")

    authorizer = RefusingAuthorizer() if args.refuse_login else DummyAuthorizer()
    authorizer.add_user(args.user, args.password, os.path.abspath(args.root),
                        perm="elradfmwMT")

    handler = StandInHandler
    handler.authorizer = authorizer
    handler.config = Config(args)
    handler.auth_failed_timeout = args.auth_failed_delay
    handler.banner = "KELVOR unit stand-in ready."
    handler.permit_privileged_ports = True
    # sendfile() would bypass the hashing of received data in the log.
    handler.use_sendfile = False

    server = FTPServer((args.address, args.port), handler)
    port = server.socket.getsockname()[1]
    sys.stdout.write("PORT %d\n" % port)
    sys.stdout.flush()

    def stop(signum, frame):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    try:
        server.serve_forever(handle_exit=False)
    except KeyboardInterrupt:
        pass
    finally:
        server.close_all()


if __name__ == "__main__":
    main(sys.argv[1:])
