"""A local FTP server for the upload tests.

Reads one JSON object from stdin (user, password, root, read_limit), so the password never
shows in a process's arguments, listens on 127.0.0.1 at a free port and prints that port.
Names containing "verboten" are refused at STOR; a name containing "abbruch" has its
connection closed after the first kilobytes.
"""
import json
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

config = json.loads(sys.stdin.readline())
logging.basicConfig(level=logging.ERROR)


class Data(ThrottledDTPHandler):
    read_limit = int(config.get("read_limit", 0))

    def handle_read(self):
        super().handle_read()
        name = getattr(self.file_obj, "name", "") or ""
        if "abbruch" in name and self.tot_bytes_received > 4096:
            self.cmd_channel.close()
            self.close()

    handle_read_event = handle_read


class Control(FTPHandler):
    dtp_handler = Data

    def ftp_STOR(self, file, mode="w"):
        if "verboten" in file:
            self.respond("550 Not allowed here.")
            return
        return super().ftp_STOR(file, mode)


authorizer = DummyAuthorizer()
authorizer.add_user(config["user"], config["password"], config["root"], perm="elradfmwMT")
Control.authorizer = authorizer
Control.banner = "test server ready"
server = FTPServer(("127.0.0.1", 0), Control)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever(timeout=0.2)
