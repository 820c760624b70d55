#!/usr/bin/env python3
"""Runs a program on a new pseudo-terminal, as a user at a terminal would.

    run_in_terminal.py [--after TEXT --send KEYS] -- PROGRAM [ARGS...]

When the program's output shows TEXT, KEYS are typed (Python escapes:
"\\x03" is Ctrl-C, "\\x04" Ctrl-D). Prints everything the program wrote to
the terminal, then a last line "exit=N echo=on|off": its exit status (128 +
the signal that ended it) and whether the terminal echoes input after it.
"""
import argparse
import fcntl
import os
import select
import subprocess
import sys
import termios
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--after", default=None)
    parser.add_argument("--send", default="")
    parser.add_argument("--timeout", type=float, default=60)
    parser.add_argument("program", nargs=argparse.REMAINDER)
    options = parser.parse_args()
    argv = options.program[1:] if options.program[:1] == ["--"] else options.program
    keys = options.send.encode().decode("unicode_escape").encode("latin-1")

    master, slave = os.openpty()

    def controlling_terminal():
        fcntl.ioctl(0, termios.TIOCSCTTY, 0)

    child = subprocess.Popen(argv, stdin=slave, stdout=slave, stderr=slave,
                             start_new_session=True, preexec_fn=controlling_terminal)
    output = b""
    sent = options.after is None
    deadline = time.monotonic() + options.timeout
    while child.poll() is None and time.monotonic() < deadline:
        ready, _, _ = select.select([master], [], [], 0.05)
        if ready:
            output += os.read(master, 65536)
        if not sent and options.after.encode() in output:
            time.sleep(0.2)  # the program now waits at its prompt
            os.write(master, keys)
            sent = True
    if child.poll() is None:
        child.kill()
    status = child.wait()
    while select.select([master], [], [], 0.1)[0]:
        chunk = os.read(master, 65536)
        if not chunk:
            break
        output += chunk
    echo = termios.tcgetattr(slave)[3] & termios.ECHO
    sys.stdout.buffer.write(output)
    code = status if status >= 0 else 128 - status
    sys.stdout.write("\nexit=%d echo=%s\n" % (code, "on" if echo else "off"))


if __name__ == "__main__":
    main()
