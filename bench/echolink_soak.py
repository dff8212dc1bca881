#!/usr/bin/env python3
"""Soak run: Gavelry (--client echolink --headless) against the loopback fake
directory and conference in its lively mode, where three stations talk, chat
and key DTMF codes at random (mutes and unmutes of each other, and digits
that match no code) for as long as the run lasts.

  python3 bench/echolink_soak.py [MINUTES] [--build DIR] [--every SECONDS]

MINUTES defaults to 60. Gavelry's resident memory and open file descriptors
are sampled every --every seconds (default 10) from the moment the link is
up. At the end it prints:

- resident memory: the mean of the first and of the last window (ten
  minutes, or a third of a shorter run) and their ratio, which must stay
  within 5 %;
- file descriptors at the first sample and at the end: none may be gained;
- the dot-commands Gavelry logged and those the conference received (none
  may be lost), how the server answered them (each logged command must end
  with its outcome), and the DTMF codes keyed and those Gavelry acted on;
- the minutes the link was down.

Before it stops Gavelry (SIGTERM) the stations go quiet for 20 s, so that the
commands of the last DTMF code are out. Exit code 0 when all of the above
holds and Gavelry ended cleanly.
Not part of ctest: it runs for an hour. It takes the loopback lock
(/tmp/echolink-loopback.lock) for its whole run, although its addresses
(127.0.0.31-33) are its own, so that it never runs beside the loopback
tests' timing measurements.
"""

import argparse
import collections
import fcntl
import os
import signal
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "echolink"))
import run_on_loopback as air  # noqa: E402

SOAK_IPS = {"program": "127.0.0.31", "conference": "127.0.0.32", "directory": "127.0.0.33"}
LOCK = "/tmp/echolink-loopback.lock"
# DTMF rows: mute and unmute codes of the three stations of the lively
# conference (tests/echolink/fake_peers, class Lively), limit 10 minutes so
# that no talk (at most 15 s) ever reaches it.
SOAK_SETTINGS = {
    "TEXT4": "N0CALL", "TEXT9": "55", "TEXT14": "56",
    "TEXT5": "K2XYZ", "TEXT10": "66", "TEXT15": "67",
    "TEXT6": "W1ABC", "TEXT11": "77", "TEXT16": "78",
}
CODES = {"55", "56", "66", "67", "77", "78"}
RSS_TOLERANCE = 0.05
SETTLE_S = 20


def proc_value(pid, key):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
    except OSError:
        return None
    return None


def open_fds(pid):
    try:
        return len(os.listdir(f"/proc/{pid}/fd"))
    except OSError:
        return None


def mean(values):
    return sum(values) / len(values) if values else 0.0


def outcome(last_field):
    """The kind of server answer a log line ends with, or None."""
    if last_field == "ok":
        return "ok"
    if last_field.startswith("refused: "):
        return "refused"
    if last_field == "no answer in 10 s":
        return "unanswered"
    return None


def logged_commands(gav_lines):
    """The dot-commands in Gavelry's moderation log echo, how many came from
    a DTMF code, and how many ended with each outcome (None: without one)."""
    sent, by_dtmf, outcomes = [], 0, collections.Counter()
    for line in gav_lines:
        if "gavelry.moderation:" not in line:
            continue
        fields = [f.strip() for f in line.split("|")]
        if len(fields) >= 4 and fields[1].startswith("."):
            sent.append(fields[1])
            outcomes[outcome(fields[-1]) if len(fields) >= 5 else None] += 1
            if "(sequence " in fields[3]:
                by_dtmf += 1
    return sent, by_dtmf, outcomes


def received_commands(fake_lines):
    """The dot-commands the conference received, the admin password masked as the moderation log masks it."""
    received = [l.split("chat: ", 1)[1] for l in fake_lines if "fakes: chat: ." in l]
    return [".admin ****" if c.startswith(".admin ") else c for c in received]


def keyed_codes(fake_lines):
    keyed = [l.rsplit(" keys ", 1)[1] for l in fake_lines if "fakes: dtmf: " in l and " keys " in l]
    return sum(1 for k in keyed if k in CODES), len(keyed)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("minutes", nargs="?", type=float, default=60.0)
    ap.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    ap.add_argument("--every", type=float, default=10.0, help="seconds between samples")
    args = ap.parse_args()
    gavelry = os.path.join(args.build, "src", "app", "gavelry")
    fakes_bin = os.path.join(args.build, "tests", "echolink", "echolink_fake_peers")

    lock = open(LOCK, "a")
    print(f"waiting for {LOCK} ...", flush=True)
    fcntl.flock(lock, fcntl.LOCK_EX)
    for ip in SOAK_IPS.values():
        busy = air.ports_free(ip)
        if busy:
            print(f"{busy}: is another soak run going?")
            return 1
    folder = tempfile.mkdtemp(prefix="gavelry-soak-")
    air.write_settings(folder, SOAK_IPS, limit_minutes="10", extra=SOAK_SETTINGS)
    fakes = air.Proc("fakes", [fakes_bin, "--mode", "lively", "--station", air.STATION,
                               "--station-password", air.STATION_PASSWORD, "--admin-password", air.ADMIN_PASSWORD,
                               "--conference", air.CONFERENCE, "--conference-ip", SOAK_IPS["conference"],
                               "--directory-ip", SOAK_IPS["directory"], "--program-ip", SOAK_IPS["program"],
                               "--status-every", "60"], os.path.join(folder, "fakes.log"))
    if not fakes.wait_line("READY", 10):
        print("the fake conference did not start")
        print(fakes.tail())
        fakes.stop()
        return 1
    gav = air.Proc("gavelry", air.gavelry_argv(gavelry, folder), os.path.join(folder, "gavelry.log"))
    print(f"soak for {args.minutes:g} min; logs in {folder}", flush=True)
    if not fakes.wait_line("conf: link up", 60):
        print("the link never came up")
        print(gav.tail())
        gav.stop()
        fakes.stop()
        return 1

    t0 = time.monotonic()
    total = args.minutes * 60.0
    samples = []   # (seconds since link, rss kB, fds)
    down = collections.Counter()
    ok = True
    print(f"{'min':>5} {'RSS kB':>8} {'fds':>4}  status of the fake conference", flush=True)
    n = 0
    while True:
        time.sleep(max(0.0, t0 + n * args.every - time.monotonic()))
        if gav.p.poll() is not None:
            print(f"Gavelry ended by itself after {(time.monotonic() - t0) / 60:.1f} min, exit code {gav.p.returncode}")
            ok = False
            break
        at = time.monotonic() - t0
        samples.append((at, proc_value(gav.p.pid, "VmRSS"), open_fds(gav.p.pid)))
        status = [l for l in fakes.lines if "status t=" in l]
        if status and "link=down" in status[-1]:
            down[status[-1]] += 1
        if n % max(1, int(round(60 / args.every))) == 0:
            print(f"{at / 60:>5.1f} {samples[-1][1]:>8} {samples[-1][2]:>4}  "
                  f"{status[-1].split('fakes: ')[-1] if status else '-'}", flush=True)
        if at >= total:
            break
        n += 1

    # The stations stop starting talks and chats; a talk under way ends
    # within 15 s and the commands of its DTMF code go out at its end.
    fakes.p.send_signal(signal.SIGUSR1)
    time.sleep(SETTLE_S)
    gav.p.send_signal(signal.SIGTERM)
    code = gav.wait_exit(30)
    fakes.p.send_signal(signal.SIGTERM)
    fakes.wait_exit(10)
    fakes.stop()
    gav.stop()
    lock.close()

    window = min(600.0, total / 3)
    first = [s[1] for s in samples if s[1] and s[0] <= window]
    last = [s[1] for s in samples if s[1] and s[0] >= samples[-1][0] - window]
    rss_ratio = mean(last) / mean(first) if first and last else float("inf")
    fds_start, fds_end = samples[0][2], samples[-1][2]
    sent, by_dtmf, outcomes = logged_commands(gav.lines)
    received = received_commands(fakes.lines)
    lost = collections.Counter(sent) - collections.Counter(received)
    codes, all_keyed = keyed_codes(fakes.lines)
    down_minutes = len(down)

    print(f"resident memory, mean of the first {window / 60:.1f} min: {mean(first):.0f} kB; of the last "
          f"{window / 60:.1f} min: {mean(last):.0f} kB; ratio {rss_ratio:.3f} (allowed 1 +/- {RSS_TOLERANCE:g}); "
          f"peak {max(s[1] for s in samples if s[1])} kB")
    print(f"file descriptors: {fds_start} at the first sample, {fds_end} at the end, "
          f"at most {max(s[2] for s in samples if s[2])}")
    print(f"dot-commands: {len(sent)} logged by Gavelry, {len(received)} received by the conference, "
          f"{sum(lost.values())} lost; answered ok {outcomes['ok']}, refused {outcomes['refused']}, "
          f"no answer {outcomes['unanswered']}, without an outcome {outcomes[None]}")
    print(f"DTMF: {all_keyed} sequences keyed, {codes} of them codes; {by_dtmf} commands sent for a code")
    print(f"minutes with the link down: {down_minutes}; Gavelry's exit code on SIGTERM: {code}")
    if abs(rss_ratio - 1.0) > RSS_TOLERANCE:
        print("FAIL: resident memory is not flat")
        ok = False
    if fds_end is None or fds_start is None or fds_end > fds_start:
        print("FAIL: file descriptors were gained")
        ok = False
    if lost:
        print(f"FAIL: commands lost: {dict(lost)}")
        ok = False
    if outcomes[None]:
        print("FAIL: commands logged without the server's answer")
        ok = False
    if by_dtmf != codes:
        print("FAIL: not every DTMF code keyed was acted on once")
        ok = False
    if down_minutes or code != 0:
        ok = False
    print("PASS" if ok else "FAIL")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
