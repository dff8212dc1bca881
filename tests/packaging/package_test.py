#!/usr/bin/env python3
"""The Debian package, checked as Debian and a sysop would check it.

    package_test.py build BUILD OUT        cpack -G DEB into OUT
    package_test.py lintian OUT            no error and no warning from lintian
    package_test.py units OUT              systemd-analyze verify says nothing,
                                           security rates the system units OK
    package_test.py sandbox OUT            the program from the package runs on
                                           the simulator as the system unit
                                           starts it, each directive's effect
                                           checked (systemd is not PID 1 here)
    package_test.py lifecycle OUT          install, upgrade, remove and purge
                                           in a scratch root (dpkg --root)

Exit code 77: the check needs root (the test is then skipped).
"""

import glob
import os
import pwd
import re
import grp
import shutil
import signal
import subprocess
import sys
import tempfile

SKIP = 77
# The worst exposure systemd-analyze may rate a system unit at.
HIGHEST_EXPOSURE = 2.0


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(1)


def need_tool(name):
    if not shutil.which(name):
        fail(f"{name} is missing: scripts/setup.sh installs it")


def run(args, **kw):
    return subprocess.run(args, text=True, capture_output=True, **kw)


def the_package(out):
    debs = glob.glob(os.path.join(out, "gavelry_*.deb"))
    if len(debs) != 1:
        fail(f"expected one package in {out}, found {debs}")
    return debs[0]


def extract(deb, into):
    r = run(["dpkg-deb", "-x", deb, into])
    if r.returncode:
        fail(r.stderr)
    return into


def build(build_dir, out):
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    r = run(["cpack", "-G", "DEB", "-B", out, "--config", os.path.join(build_dir, "CPackConfig.cmake")])
    if r.returncode:
        fail(r.stdout + r.stderr)
    print(os.path.basename(the_package(out)))


def lintian(out):
    need_tool("lintian")
    deb = the_package(out)
    r = run(["lintian", "--fail-on", "error,warning", "--display-level", ">=warning", deb])
    print(r.stdout, end="")
    found = [line for line in r.stdout.splitlines() if re.match(r"^[EW]: ", line)]
    if found or r.returncode:
        fail(f"lintian found {len(found)} errors and warnings in {os.path.basename(deb)}\n{r.stderr}")
    # lintian takes any version at the changelog's top: a release must
    # bring its own entry.
    version = run(["dpkg-deb", "-f", deb, "Version"]).stdout.strip()
    changelog = run(["sh", "-c", f"dpkg-deb --fsys-tarfile '{deb}' | tar -xO ./usr/share/doc/gavelry/changelog.gz | gzip -dc"])
    top = changelog.stdout.splitlines()[0] if changelog.stdout else ""
    if not top.startswith(f"gavelry ({version}) "):
        fail(f"the changelog's newest entry is not for {version}: {top}")


def units(out):
    need_tool("systemd-analyze")
    root = extract(the_package(out), tempfile.mkdtemp(prefix="gavelry-units-"))
    system = os.path.join(root, "usr/lib/systemd/system")
    user = os.path.join(root, "usr/lib/systemd/user")
    # The template is checked through an instance of it. --man=no: the man
    # page is in the package, not on this machine; the program named by
    # ExecStart is looked for in the package's root, which gets this
    # machine's own units (the targets the package's units name).
    r = run(["cp", "-an", "/usr/lib/systemd/system/.", system])
    if r.returncode:
        fail(r.stderr)
    # A user manager takes no other root: the user units are checked as
    # copies that name the program in the package by its path here.
    shutil.copy(os.path.join(system, "gavelry@.service"), os.path.join(system, "gavelry@east.service"))
    copies = tempfile.mkdtemp(prefix="gavelry-user-units-")
    for name, copy in (("gavelry.service", "gavelry.service"), ("gavelry@.service", "gavelry@east.service")):
        text = open(os.path.join(user, name)).read()
        with open(os.path.join(copies, copy), "w") as f:
            f.write(text.replace("=/usr/bin/gavelry ", f"={root}/usr/bin/gavelry "))
    checks = [
        (["--root", root], [os.path.join(system, "gavelry.service"), os.path.join(system, "gavelry@east.service")]),
        (["--user"], [os.path.join(copies, "gavelry.service"), os.path.join(copies, "gavelry@east.service")]),
    ]
    # A user manager wants a runtime folder of its own.
    runtime = tempfile.mkdtemp(prefix="gavelry-runtime-")
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
    for options, files in checks:
        r = run(["systemd-analyze", "verify", "--man=no", *options, *files], env=env)
        said = (r.stdout + r.stderr).strip()
        if r.returncode or said:
            fail(f"systemd-analyze verify {' '.join(files)}:\n{said}")
    for unit in ("gavelry.service", "gavelry@east.service"):
        r = run(["systemd-analyze", "security", "--offline=true", "--root", root, os.path.join(system, unit)])
        m = re.search(r"Overall exposure level for \S+: (\d+\.\d+) (\w+)", r.stdout)
        if not m:
            fail(f"systemd-analyze security {unit}:\n{r.stdout}{r.stderr}")
        print(f"{unit}: exposure {m.group(1)} {m.group(2)}")
        if float(m.group(1)) > HIGHEST_EXPOSURE:
            fail(r.stdout)
    for folder in (root, runtime, copies):
        shutil.rmtree(folder)


# --- the sandbox, directive by directive -------------------------------------


def unit_settings(path):
    """The [Service] settings of a unit file: name -> list of values."""
    settings = {}
    section = None
    for line in open(path, encoding="utf-8"):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        if line.startswith("["):
            section = line
            continue
        if section == "[Service]":
            key, _, value = line.partition("=")
            settings.setdefault(key, []).append(value)
    return settings


def syscall_groups():
    """Each of systemd's system call groups: name -> set of entries."""
    groups, current = {}, None
    for line in run(["systemd-analyze", "syscall-filter"]).stdout.splitlines():
        if line.startswith("@"):
            current = groups.setdefault(line.split()[0], set())
        elif current is not None and line.strip() and not line.strip().startswith("#"):
            current.add(line.strip())
    return groups


def expand(names, groups):
    calls = set()
    for name in names:
        if name.startswith("@"):
            calls |= expand(groups[name], groups)
        else:
            calls.add(name)
    return calls


def allowed_syscalls(settings):
    """What the unit's SystemCallFilter= lines leave to the program."""
    groups = syscall_groups()
    allowed = None
    for value in settings.get("SystemCallFilter", []):
        deny = value.startswith("~")
        names = expand(value.lstrip("~").split(), groups)
        if deny:
            allowed = (allowed if allowed is not None else set()) - names
        else:
            allowed = (allowed or set()) | names
    return allowed


WRITES = re.compile(
    r"^(open|openat|creat|mkdir|mkdirat|rename|renameat2?|unlink|unlinkat|link|linkat|symlink|symlinkat"
    r"|chmod|fchmodat|chown|fchownat|truncate|utimensat)\((.*)\) += (-?\d+)")


def written_paths(line):
    """The paths a successful writing call in a strace line touched."""
    m = WRITES.match(line)
    if not m or int(m.group(3)) < 0:
        return []
    call, args = m.group(1), m.group(2)
    if call in ("open", "openat") and not re.search(r"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC", args):
        return []
    paths = []
    # A name relative to a folder's descriptor (strace -y shows its path),
    # or to the working folder, "/".
    for m in re.finditer(r'(?:\d+<([^>]*)>, )?"([^"]*)"', args):
        base, path = m.group(1) or "/", m.group(2)
        # An empty name is the descriptor itself (AT_EMPTY_PATH), and a
        # /proc/self/fd name an open file given a name elsewhere.
        if path and not re.match(r"/proc/(self|\d+)/fd/", path):
            paths.append(os.path.join(base, path))
    return paths


def sandbox(out):
    if os.geteuid() != 0:
        print("needs root: the program runs as another user here, as the unit makes it")
        return SKIP
    for tool in ("strace", "setpriv", "systemd-analyze"):
        need_tool(tool)
    work = tempfile.mkdtemp(prefix="gavelry-sandbox-")
    # The service's user goes through it to its folders.
    os.chmod(work, 0o755)
    root = extract(the_package(out), os.path.join(work, "package"))
    settings = unit_settings(os.path.join(root, "usr/lib/systemd/system/gavelry.service"))
    # The unit's own user is made by the package; an unprivileged user of
    # this machine stands in for it.
    user = pwd.getpwnam("nobody")
    group = grp.getgrgid(user.pw_gid)
    if settings["User"] != ["gavelry"] or settings["Group"] != ["gavelry"]:
        fail(f"the unit runs as {settings['User']}:{settings['Group']}")

    # The folders systemd makes before the start, below a scratch host.
    host = os.path.join(work, "host")
    bases = {"%E": "etc", "%S": "var/lib", "%L": "var/log", "%C": "var/cache", "%t": "run"}
    specifiers = {k: os.path.join(host, v) for k, v in bases.items()}
    specifiers["%N"] = "gavelry"
    kinds = {"ConfigurationDirectory": "%E", "StateDirectory": "%S", "LogsDirectory": "%L",
             "CacheDirectory": "%C", "RuntimeDirectory": "%t"}
    writable = []
    for kind, base in kinds.items():
        name = settings[kind][0].replace("%N", "gavelry")
        mode = int(settings[kind + "Mode"][0], 8)
        path = os.path.join(specifiers[base], name)
        os.makedirs(path)
        # The settings folder stays root's (the package gives it the
        # service's group); the others go to the service's user.
        os.chown(path, 0 if kind == "ConfigurationDirectory" else user.pw_uid, group.gr_gid)
        os.chmod(path, mode)
        writable.append(path)
    config, state, logs = (os.path.join(specifiers[kinds[k]], "gavelry")
                           for k in ("ConfigurationDirectory", "StateDirectory", "LogsDirectory"))

    def substitute(text):
        for k, v in specifiers.items():
            text = text.replace(k, v)
        return text

    # What the program finds there: a profile that stays linked, and an
    # un-mute slot that ran out while the service was down.
    with open(os.path.join(config, "vorivuzav.ini"), "w") as f:
        f.write("[SETTINGS]\r\nSTAYCON1=1\r\n")
    os.chmod(os.path.join(config, "vorivuzav.ini"), 0o640)
    os.chown(os.path.join(config, "vorivuzav.ini"), 0, group.gr_gid)
    slots = os.path.join(state, "timedslots.json")
    with open(slots, "w") as f:
        f.write('{"slots":[{"slot":1,"kind":"unmute","call":"W1AW","due":"2020-01-01T00:00:00Z"}]}')
    os.chown(slots, user.pw_uid, group.gr_gid)

    # The environment systemd gives: its own few variables, the unit's
    # Environment= lines, the client switched to the simulator the way the
    # README shows (systemctl edit).
    env = {"PATH": "/usr/local/bin:/usr/bin:/bin", "LANG": "C.UTF-8", "USER": "gavelry", "LOGNAME": "gavelry",
           "HOME": os.path.join(host, "var/lib/gavelry"), "SHELL": "/usr/sbin/nologin"}
    for line in settings.get("Environment", []):
        for assignment in line.split():
            k, _, v = assignment.partition("=")
            env[k] = substitute(v)
    env["GAVELRY_CLIENT"] = "sim"
    exec_start = substitute(settings["ExecStart"][0]).replace("${GAVELRY_CLIENT}", env["GAVELRY_CLIENT"]).split()
    program = os.path.join(root, exec_start[0].lstrip("/"))
    # UMask= as the process starts with it.
    umask = int(settings["UMask"][0], 8)

    # NoNewPrivileges=, User=, Group=, CapabilityBoundingSet= and
    # AmbientCapabilities= (empty), as setpriv sets them.
    if settings["NoNewPrivileges"] != ["yes"] or settings["CapabilityBoundingSet"] != [""]:
        fail("the unit keeps privileges: NoNewPrivileges or CapabilityBoundingSet")
    trace = os.path.join(work, "trace")
    # One trace file a thread (-ff): no call is split over two lines.
    command = ["strace", "-ff", "-qq", "-y", "-s", "256", "-o", trace,
               "setpriv", f"--reuid={user.pw_uid}", f"--regid={group.gr_gid}", "--clear-groups",
               "--no-new-privs", "--inh-caps=-all", "--bounding-set=-all", "--",
               program, *exec_start[1:]]
    p = subprocess.Popen(command, env=env, cwd="/", stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                         text=True, preexec_fn=lambda: os.umask(umask))
    # It links at the stay-connected tick and lets the slot go: the un-mute
    # goes out and into the log (echoed on standard error).
    # What it says of a folder or file it could not use, or anything but
    # its own messages (a toolkit warning: no runtime folder ...), is a
    # problem (below): the wait ends there too.
    def trouble(line):
        return not line.startswith("gavelry.") or re.search(
            r"cannot|could not|denied|failed|not written|read-only", line, re.I)

    said = []
    for line in p.stderr:
        said.append(line)
        if ".unmute W1AW" in line or trouble(line):
            break
    children = open(f"/proc/{p.pid}/task/{p.pid}/children").read().split() if p.poll() is None else []
    if not children:
        fail("the program ended before it let the slot go:\n" + "".join(said) + p.stderr.read())
    os.kill(int(children[0]), signal.SIGTERM)
    said += p.stderr.readlines()
    if p.wait() != 0:
        fail(f"the program ended with {p.returncode}:\n" + "".join(said))

    problems = []
    for line in said:
        if trouble(line):
            problems.append(f"it said: {line.rstrip()}")
    log = os.path.join(logs, "moderation.log")
    if not os.path.exists(log) or ".unmute W1AW" not in open(log).read():
        problems.append("no un-mute in the moderation log in LogsDirectory")
    elif os.stat(log).st_mode & 0o077:
        problems.append(f"the log is open to others (mode {oct(os.stat(log).st_mode)}) despite UMask")
    if '"slots": [\n    ]' not in open(slots).read():
        problems.append("the slots file in StateDirectory was not written again: " + open(slots).read())
    if not os.path.exists(os.path.join(state, "gavelry.lock")):
        problems.append("no lock in StateDirectory")
    addresses = os.path.join(config, "zurazod2.ini")
    if not os.path.exists(addresses):
        problems.append("the web addresses were not written in the settings folder at the end")
    elif os.stat(addresses).st_gid != group.gr_gid:
        problems.append("a file made in the settings folder did not get the service's group")

    families = {v for value in settings["RestrictAddressFamilies"] for v in value.split()}
    allowed = allowed_syscalls(settings)
    if settings["MemoryDenyWriteExecute"] != ["yes"] or not allowed:
        fail("the unit has no MemoryDenyWriteExecute or no SystemCallFilter")
    # Everything after the program itself started (setpriv's own calls
    # before it, in the same thread, are no part of the service).
    lines = []
    for name in glob.glob(trace + ".*"):
        own = open(name).read().splitlines()
        start = next((i for i, line in enumerate(own)
                      if re.match(rf'^execve\("{re.escape(program)}".* = 0$', line)), 0)
        lines += own[start:]
    if not any(line.startswith(f'execve("{program}"') for line in lines):
        fail("the program's start is not in the trace")
    used = set()
    for line in lines:
        m = re.match(r"^(\w+)\((.*)", line)
        if not m:
            continue
        call, args = m.group(1), m.group(2)
        used.add(call)
        # RestrictAddressFamilies=
        m = re.match(r"(AF_\w+)", args) if call in ("socket", "socketpair") else None
        if m and m.group(1) not in families:
            problems.append(f"a socket of a family the unit does not allow: {line}")
        # MemoryDenyWriteExecute=: no memory writable and executable at
        # once, none made executable later.
        if call == "mmap" and "PROT_WRITE" in args and "PROT_EXEC" in args:
            problems.append(f"writable and executable memory: {line}")
        if call in ("mprotect", "pkey_mprotect") and "PROT_EXEC" in args:
            problems.append(f"memory made executable: {line}")
        # ProtectSystem=strict, ProtectHome=, PrivateTmp=: writes only in
        # the unit's own folders (and /dev/null).
        for path in written_paths(line):
            full = os.path.normpath(os.path.join("/", path))
            if full != "/dev/null" and not any(full == w or full.startswith(w + "/") for w in writable):
                problems.append(f"a write outside the unit's folders: {line}")
    # SystemCallFilter=: every call the program made is one the unit lets through.
    for call in sorted(used - allowed - {"exit", "exit_group", "rt_sigreturn", "restart_syscall"}):
        problems.append(f"a system call the unit's filter refuses: {call}")
    if problems:
        fail("\n".join(problems))
    print(f"{len(used)} system calls, all allowed; socket families used: within {sorted(families)}")
    shutil.rmtree(work)
    return 0


# --- install, upgrade, remove, purge ----------------------------------------


def lifecycle(out):
    if os.geteuid() != 0:
        print("needs root: dpkg installs into a scratch root")
        return SKIP
    need_tool("systemd-sysusers")
    work = tempfile.mkdtemp(prefix="gavelry-lifecycle-")
    deb = the_package(out)
    # A newer package: the same files under a higher version.
    unpacked = os.path.join(work, "newer")
    run(["dpkg-deb", "-R", deb, unpacked])
    control = os.path.join(unpacked, "DEBIAN/control")
    text = open(control).read()
    version = re.search(r"^Version: (\S+)$", text, re.M).group(1)
    open(control, "w").write(text.replace(f"Version: {version}", f"Version: {version}+1"))
    newer = os.path.join(work, "gavelry_newer.deb")
    r = run(["dpkg-deb", "--root-owner-group", "-b", unpacked, newer])
    if r.returncode:
        fail(r.stderr)

    root = os.path.join(work, "root")
    for d in ("etc", "var/lib/dpkg/info", "var/lib/dpkg/updates", "var/log"):
        os.makedirs(os.path.join(root, d))
    for name in ("var/lib/dpkg/status", "var/lib/dpkg/available"):
        open(os.path.join(root, name), "w").close()
    files = {"passwd": "root:x:0:0:root:/root:/bin/sh\n", "group": "root:x:0:\n",
             "shadow": "root:*:19000:0:99999:7:::\n", "gshadow": "root:*::\n"}
    for name, content in files.items():
        with open(os.path.join(root, "etc", name), "w") as f:
            f.write(content)
    os.chmod(os.path.join(root, "etc/shadow"), 0o640)

    def dpkg(*args):
        r = run(["dpkg", f"--root={root}", "--force-script-chrootless", "--force-depends",
                 "--log=/dev/null", *args])
        if r.returncode:
            fail(f"dpkg {' '.join(args)}:\n{r.stdout}{r.stderr}")

    def entry(name, table):
        for line in open(os.path.join(root, "etc", table)):
            if line.split(":")[0] == name:
                return line.rstrip("\n").split(":")
        return None

    problems = []
    dpkg("-i", deb)
    user = entry("gavelry", "passwd")
    group = entry("gavelry", "group")
    if not user or not group:
        fail("the installation made no user or group gavelry")
    if user[5] != "/var/lib/gavelry" or not user[6].endswith("nologin") or int(user[2]) >= 1000:
        problems.append(f"the user is not a system user without a log-in: {':'.join(user)}")
    settings = os.path.join(root, "etc/gavelry")
    st = os.stat(settings)
    if (st.st_uid, st.st_gid, st.st_mode & 0o7777) != (0, int(group[2]), 0o2770):
        problems.append(f"/etc/gavelry is {st.st_uid}:{st.st_gid} {oct(st.st_mode & 0o7777)}")

    # What the service kept while it ran, and a mode the sysop chose.
    kept = {"etc/gavelry/echolink.ini": "[STATION]\nCALLSIGN=N0CALL\n",
            "var/lib/gavelry/timedslots.json": '{"slots":[]}',
            "var/log/gavelry/moderation.log": "2026-12-08 21:00:30 | .mute . | W1ABC | talk-time limit\n"}
    for name, content in kept.items():
        os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
        with open(os.path.join(root, name), "w") as f:
            f.write(content)
    os.chmod(settings, 0o2750)

    def still_kept(when):
        for name, content in kept.items():
            path = os.path.join(root, name)
            if not os.path.exists(path) or open(path).read() != content:
                problems.append(f"{when}: /{name} was not kept")
        if os.stat(settings).st_mode & 0o7777 != 0o2750:
            problems.append(f"{when}: the mode of /etc/gavelry was not kept")
        if entry("gavelry", "passwd") != user:
            problems.append(f"{when}: the user gavelry changed or went")

    dpkg("-i", newer)
    still_kept("upgrade")
    dpkg("-r", "gavelry")
    if os.path.exists(os.path.join(root, "usr/bin/gavelry")):
        problems.append("remove: the program stayed")
    still_kept("remove")
    dpkg("-P", "gavelry")
    for name in ("etc/gavelry", "var/lib/gavelry", "var/log/gavelry"):
        if os.path.exists(os.path.join(root, name)):
            problems.append(f"purge: /{name} stayed")
    if entry("gavelry", "passwd") or entry("gavelry", "group") or entry("gavelry", "shadow"):
        problems.append("purge: the user or group gavelry stayed")
    if problems:
        fail("\n".join(problems))
    shutil.rmtree(work)
    return 0


def main():
    if len(sys.argv) < 3:
        fail(__doc__)
    what, args = sys.argv[1], sys.argv[2:]
    actions = {"build": build, "lintian": lintian, "units": units, "sandbox": sandbox, "lifecycle": lifecycle}
    sys.exit(actions[what](*args) or 0)


if __name__ == "__main__":
    main()
