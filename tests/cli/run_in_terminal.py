#!/usr/bin/env python3
"""Runs a command with its standard error on a pseudo-terminal, as a person at a terminal sees it.

    run_in_terminal.py [--interrupt-at TEXT] STDERR_FILE -- COMMAND [ARGUMENTS...]

Standard output goes on to this script's standard output, standard error (the terminal's
output) into STDERR_FILE. With --interrupt-at, as soon as TEXT appears on the terminal the
command is stopped (SIGSTOP), sent SIGINT by its process id, and continued (SIGCONT): the
interrupt arrives at a moment the command cannot run past. The exit code is the command's; a
last line on standard error says "interrupted" or "not interrupted".
"""
import os
import pty
import select
import signal
import subprocess
import sys


def main():
    args = sys.argv[1:]
    interrupt_at = None
    if args[:1] == ["--interrupt-at"]:
        interrupt_at = args[1].encode("utf-8")
        args = args[2:]
    stderr_file = args[0]
    command = args[2:] if args[1:2] == ["--"] else args[1:]

    master, slave = pty.openpty()
    child = subprocess.Popen(command, stdin=subprocess.DEVNULL, stderr=slave)
    os.close(slave)
    seen = b""
    interrupted = False
    while True:
        ready, _, _ = select.select([master], [], [], 0.005)
        if ready:
            try:
                data = os.read(master, 65536)
            except OSError:  # the terminal's other end is closed: the command has ended
                data = b""
            seen += data
            if not data and child.poll() is not None:
                break
        if interrupt_at is not None and not interrupted and interrupt_at in seen:
            os.kill(child.pid, signal.SIGSTOP)
            os.kill(child.pid, signal.SIGINT)
            os.kill(child.pid, signal.SIGCONT)
            interrupted = True
        if not ready and child.poll() is not None:
            break
    child.wait()
    os.close(master)
    with open(stderr_file, "wb") as f:
        f.write(seen)
    sys.stderr.write("interrupted\n" if interrupted else "not interrupted\n")
    sys.exit(child.returncode if child.returncode >= 0 else 128 - child.returncode)


if __name__ == "__main__":
    main()
