#!/usr/bin/env python3
"""Soak run: Gavelry (--client echolink --headless) against the loopback fake
conference in its lively mode, where stations talk and chat all the time.

  python3 bench/echolink_soak.py [MINUTES] [--build DIR]

MINUTES defaults to 60. Every minute it samples Gavelry's resident memory
and the fake conference's link state; at the end it prints RSS once the link
was up, RSS at the end and their ratio, and how many minutes the link was
down. Exit code 0 when the link stayed up and Gavelry ended cleanly on
SIGTERM. Not part of ctest (it runs for an hour).
"""

import argparse
import os
import signal
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "echolink"))
import run_on_loopback as air  # noqa: E402

# Addresses of its own: an hour-long run never blocks the tests' addresses.
SOAK_IPS = {"program": "127.0.0.31", "conference": "127.0.0.32", "directory": "127.0.0.33"}


def rss_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        return None
    return None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("minutes", nargs="?", type=float, default=60.0)
    ap.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    args = ap.parse_args()
    gavelry = os.path.join(args.build, "src", "app", "gavelry")
    fakes_bin = os.path.join(args.build, "tests", "echolink", "echolink_fake_peers")
    for ip in SOAK_IPS.values():
        busy = air.ports_free(ip)
        if busy:
            print(f"{busy}: is another soak run going?")
            return 1
    folder = tempfile.mkdtemp(prefix="gavelry-soak-")
    air.write_settings(folder, SOAK_IPS, limit_minutes="10")
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
    print(f"{'min':>4} {'RSS kB':>8} link  status of the fake conference", flush=True)

    t0 = time.monotonic()
    total = args.minutes * 60.0
    samples = []       # (minute, rss, link)
    down_minutes = 0
    minute = 0
    ok = True
    while True:
        # 5 s after the minute: the fake conference's status line of that
        # minute is out by then.
        time.sleep(max(0.0, t0 + minute * 60.0 + 5.0 - time.monotonic()))
        if gav.p.poll() is not None:
            print(f"Gavelry ended by itself at minute {minute} with exit code {gav.p.returncode}")
            ok = False
            break
        status = [l for l in fakes.lines if "status t=" in l]
        link = "up" if status and "link=up" in status[-1] else "down"
        rss = rss_kb(gav.p.pid)
        samples.append((minute, rss, link))
        if minute >= 2 and link != "up":
            down_minutes += 1
        print(f"{minute:>4} {rss:>8} {link:<5} {status[-1].split('fakes: ')[-1] if status else '-'}", flush=True)
        if minute * 60.0 >= total:
            break
        minute += 1
        if minute * 60.0 > total:
            minute = total / 60.0

    gav.p.send_signal(signal.SIGTERM)
    code = gav.wait_exit(30)
    fakes.p.send_signal(signal.SIGTERM)
    fakes.wait_exit(10)
    fakes.stop()
    gav.stop()
    linked = [s for s in samples if s[2] == "up" and s[1]]
    if linked:
        start, end = linked[0], samples[-1]
        peak = max(s[1] for s in samples if s[1])
        print(f"RSS once linked (minute {start[0]:g}): {start[1]} kB; at the end (minute {end[0]:g}): {end[1]} kB; "
              f"end/start ratio {end[1] / start[1]:.3f}; peak {peak} kB")
    else:
        print("the link never came up")
        ok = False
    print(f"minutes with the link down after minute 2: {down_minutes}; Gavelry's exit code on SIGTERM: {code}")
    last = [l for l in fakes.lines if "status t=" in l]
    if last:
        print("last status: " + last[-1].split("fakes: ")[-1])
    if down_minutes or code != 0:
        ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
