#!/usr/bin/env python3
"""`gavelry --web-user add` at a terminal (a pseudo-terminal here): the
password is asked twice with echo off and never shown; two different ones
add nobody; Ctrl+C at the prompt ends the command with the terminal's echo
back on.

  password_prompt.py GAVELRY
"""

import os
import pty
import select
import sys
import tempfile
import termios


def echo_on(fd):
    return bool(termios.tcgetattr(fd)[3] & termios.ECHO)


def read_until(fd, text, seen, times=1):
    while seen.count(text) < times:
        ready, _, _ = select.select([fd], [], [], 20)
        if not ready:
            raise SystemExit(f"FAIL: no {text!r} in {seen!r}")
        try:
            chunk = os.read(fd, 1024)
        except OSError:  # the other end closed
            chunk = b""
        if not chunk:
            raise SystemExit(f"FAIL: ended before {text!r}: {seen!r}")
        seen += chunk
    return seen


def run(gavelry, folder, typed):
    """Types each of typed at a prompt; None is Ctrl+C. Returns (output, wait status, echo on after)."""
    pid, fd = pty.fork()
    if pid == 0:
        os.execv(gavelry, [gavelry, "--web-user", "add", "dora", "--role", "viewer", "--config-dir", folder])
    seen = b""
    for prompts, keys in enumerate(typed, 1):
        seen = read_until(fd, b": ", seen, prompts)
        if echo_on(fd):
            raise SystemExit(f"FAIL: echo is on at the prompt: {seen!r}")
        os.write(fd, b"\x03" if keys is None else keys + b"\n")
    while True:
        try:
            chunk = os.read(fd, 1024)
        except OSError:
            break
        if not chunk:
            break
        seen += chunk
    _, status = os.waitpid(pid, 0)
    after = echo_on(fd)
    os.close(fd)
    return seen, status, after


def main():
    gavelry = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        users = os.path.join(folder, "web-users.ini")
        out, status, _ = run(gavelry, folder, [b"correct-horse", b"correct-hose"])
        if os.WEXITSTATUS(status) == 0 or os.path.exists(users) and b"dora" in open(users, "rb").read():
            raise SystemExit(f"FAIL: two different passwords added the user: {out!r}")
        out, status, echo_after = run(gavelry, folder, [None])
        if not os.WIFSIGNALED(status):
            raise SystemExit(f"FAIL: Ctrl+C did not end the command: {out!r}")
        if not echo_after:
            raise SystemExit("FAIL: Ctrl+C at the prompt left the terminal without echo")
        out, status, after = run(gavelry, folder, [b"correct-horse", b"correct-horse"])
        if os.WEXITSTATUS(status) != 0 or b"dora" not in open(users, "rb").read():
            raise SystemExit(f"FAIL: the user was not added: {out!r}")
        if b"correct-horse" in out or not after:
            raise SystemExit(f"FAIL: the password was shown, or echo stayed off: {out!r}")
    print("password prompt test passed")


if __name__ == "__main__":
    main()
