#!/usr/bin/env python3
"""A loopback SMTP server for the mail tests.

Usage: smtp_sink.py PORT_FILE MAIL_FILE
Writes the port it listens on to PORT_FILE, stores the first message it
receives (envelope sender, recipients and the raw content) in MAIL_FILE, and
stops by itself after 60 seconds at the latest.
"""
import socket
import sys
import time

from aiosmtpd.controller import Controller


class Sink:
    def __init__(self, path):
        self.path = path

    async def handle_DATA(self, server, session, envelope):
        with open(self.path + ".tmp", "wb") as f:
            f.write(b"MAIL FROM: " + envelope.mail_from.encode() + b"\n")
            f.write(b"RCPT TO: " + ",".join(envelope.rcpt_tos).encode() + b"\n\n")
            f.write(envelope.original_content or envelope.content)
        import os
        os.replace(self.path + ".tmp", self.path)
        return "250 OK"


def main():
    port_file, mail_file = sys.argv[1], sys.argv[2]
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    controller = Controller(Sink(mail_file), hostname="127.0.0.1", port=port)
    controller.start()
    with open(port_file + ".tmp", "w") as f:
        f.write(str(port))
    import os
    os.replace(port_file + ".tmp", port_file)
    try:
        time.sleep(60)
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
