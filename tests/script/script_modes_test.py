#!/usr/bin/python3
"""/check and /update under Wine: the shipped program against the simulated
drives, the quiet demo flasher and the FTP server fixture serving signed
trees on the build's port; then tools/publish mirror, whose copy the program
reads. Everything it starts it stops. The tree's line (tools/wine/wine-env.sh
wine_line) decides how the drives are reached: on the 98 line through the
stand-in ASPI library in the tree's prefix, at their addresses; on the NT line
on drive letters (D: for the file's first device, E: for the next, ...) in
BUILD/sgio-prefix through the pass-through stand-in, with the history beside
the user's application data.

  script_modes_test.py BUILD PROGRAM FLASHER FIXTURE PORT SIGNING_KEY
"""
import glob
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

build, program, flasher, fixture, port, key = sys.argv[1:7]
REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PUBLIC = os.path.join(os.path.dirname(key), "maker.pub.pem")
NT = subprocess.run(["bash", "-c", '. "$0/tools/wine/wine-env.sh"; wine_line "$1"', REPO, build],
                    capture_output=True, text=True).stdout.strip() == "nt"
PREFIX = os.path.join(build, "sgio-prefix" if NT else "wineprefix")
WORK = (os.path.join(PREFIX, "drive_c/users", os.environ.get("USER", "root"), "AppData/Roaming/VORN") if NT
        else os.path.dirname(program))
HISTORY = os.path.join(WORK, "UpdateHistory.txt")
SERIAL = os.path.join(WORK, "CatalogueSerial.txt")
DEFAULT_LOG = os.path.join(WORK, "UpdateLog.txt")
QX = "|VORN|QX-1234A|1.20|030101|"
QX_DISC = "|VORN|QX-1234A|1.20|030101|disc"
Q9_OLD = "|VORN|QX-9000B|2.00|021001|"
Q9 = "|VORN|QX-9000B|2.05|021115|"
ACME = "|ACME|CD-52X|1.00|020202|"
NEVER = "|VORN|QX-5000C|1.00|010101|never"
failures = []


def winpath(path):
    return "Z:" + path.replace("/", "\\")


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what)


def on_line(text):
    """`text` with each address a:t:l of the drives file as the program names that drive on this line."""
    if isinstance(text, list):
        return [on_line(item) for item in text]
    return re.sub(r"\b0:(\d):0\b", lambda m: chr(ord("D") + int(m.group(1))) + ":", text) if NT else text


def wine_command(*args):
    preload = ["--sgio-sim"] if NT else []
    return [os.path.join(REPO, "tools/wine/wine-run.sh"), "--build", build] + preload + list(args)


def wine(*args, env=None):
    return subprocess.run(wine_command(*args), env=env, timeout=600).returncode


scratch = tempfile.mkdtemp(prefix="script-modes.", dir=build)
root, published = os.path.join(scratch, "root"), os.path.join(scratch, "published")
drives_file, flasher_log = os.path.join(scratch, "drives.txt"), os.path.join(scratch, "flasher.log")
env = dict(os.environ, VORN_ASPI_DRIVES=winpath(drives_file), VORN_FLASHER_QUIET="1",
           VORN_FLASHER_LOG=winpath(flasher_log), LANG="C.UTF-8", LC_ALL="C.UTF-8", WINEPREFIX=PREFIX)


def archive(name, flashed):
    path = os.path.join(scratch, name)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as out:
        out.writestr("readme.txt", "test firmware\r\n")
        out.writestr("flash.txt", flashed + "\r\n")
        out.write(flasher, "flash.exe")
    return path


def serve(tree, spoil=None):
    """The served root holds `tree` (None: nothing), `spoil` changed in one byte."""
    shutil.rmtree(root, ignore_errors=True)
    shutil.copytree(os.path.join(published, tree), root) if tree else os.makedirs(root)
    if spoil:
        with open(os.path.join(root, spoil), "r+b") as f:
            f.seek(40)
            byte = f.read(1)
            f.seek(40)
            f.write(bytes([byte[0] ^ 1]))


def drives(*lines):
    with open(drives_file, "w", newline="") as f:
        f.writelines("0 %d 0 5 %s\r\n" % (target, line) for target, line in enumerate(lines))
    if NT:
        subprocess.run([os.path.join(REPO, "tools/sgio-sim/install-sgio-sim.sh"), build, PREFIX, drives_file],
                       check=True, stdout=subprocess.DEVNULL, env=env)


def log_lines(path):
    with open(path, "rb") as f:
        text = f.read().decode("ascii")
    expect(text.endswith("\r\n") and "\n" not in text.replace("\r\n", ""), "%s: not CR LF lines" % path)
    return text.split("\r\n")[:-1]


def table(lines):
    """The drive lines under the log's header."""
    header = "address\tmodel\trevision\tnewest offered\tfile\tSHA-256"
    if header not in lines:
        return None
    return [line for line in lines[lines.index(header) + 1:-1] if "\tstep\t" not in line and "\tverdict\t" not in line]


def history():
    if not os.path.exists(HISTORY):
        return []
    with open(HISTORY, encoding="ascii") as f:
        rows = [line.rstrip("\r\n").split("\t") for line in f if line.strip() and not line.startswith("#")]
    return [" ".join([r[1], r[2], r[3], r[4], r[7]]) for r in rows]


def started():
    if not os.path.exists(flasher_log):
        return 0
    with open(flasher_log, encoding="latin-1") as f:
        return sum(1 for line in f if line.startswith("started\t"))


def fresh_run():
    for path in (HISTORY, SERIAL, DEFAULT_LOG, flasher_log):
        if os.path.exists(path):
            os.remove(path)
    shutil.rmtree(os.path.join(os.path.dirname(HISTORY), "Downloads"), ignore_errors=True)


def tree_bytes(top):
    """The bytes of each file below `top`, and each folder (None)."""
    return {os.path.relpath(os.path.join(d, name), top): None if name in folders else
            open(os.path.join(d, name), "rb").read() for d, folders, names in os.walk(top) for name in folders + names}


def publish_tree(name, catalogue, *files):
    subprocess.run([sys.executable, os.path.join(REPO, "tools/publish/make_tree.py"), "--catalogue", catalogue,
                    "--key", key, "--out", os.path.join(published, name)] + [a for f in files for a in ("--file", f)],
                   check=True, stdout=subprocess.DEVNULL)


def unix_path(windows):
    """A path of the Wine prefix's C: drive, or of Z: (this machine's root), as this machine sees it."""
    top = "/" if windows[:1].upper() == "Z" else os.path.join(PREFIX, "drive_c")
    return os.path.join(top, *windows[3:].split("\\"))


def start_server(running, mode="normal"):
    """The FTP fixture on the build's port in `mode`, in place of `running`."""
    if running is not None:
        running.terminate()
        running.wait()
    listening = os.path.join(scratch, "port")
    if os.path.exists(listening):
        os.remove(listening)
    started = subprocess.Popen(["/usr/bin/python3", fixture, "serve", "--root", root, "--port", port, "--mode", mode,
                                "--port-file", listening], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # The server writes the file once it listens, however long that takes.
    for _ in range(600):
        if os.path.exists(listening) or started.poll() is not None:
            break
        time.sleep(0.1)
    if not os.path.exists(listening):
        raise SystemExit("the FTP server did not start on port " + port)
    return started


server = None
session = False
try:
    qx132, q9000 = archive("qx132.zip", "QX-1234A 1.32"), archive("q9000.zip", "QX-9000B 2.05")
    served = os.path.join(REPO, "tests/wizard/served-catalogue.txt")
    publish_tree("good", served, "pub/VORN/cdrom/b/qx.zip=" + qx132, "pub/VORN/cdrom/c/same.zip=" + q9000)
    qx132_hash = hashlib.sha256(open(qx132, "rb").read()).hexdigest()
    if not NT:
        subprocess.run([os.path.join(REPO, "tools/aspi-sim/install-aspi-sim.sh"), PREFIX, "-",
                        os.path.basename(program)], check=True, stdout=subprocess.DEVNULL)
    session_pid = os.path.join(build, "wine-session", "xvfb.pid")
    if not (os.path.exists(session_pid) and subprocess.run(["kill", "-0", open(session_pid).read().strip()],
                                                             stderr=subprocess.DEVNULL).returncode == 0):
        subprocess.run([os.path.join(REPO, "tools/wine/wine-session.sh"), "start", build], check=True,
                       stdout=subprocess.DEVNULL)
        session = True
    serve(None)
    server = start_server(server)
    check_log = os.path.join(scratch, "check.log")

    # /check: the exit code and the drive table in each situation; the first
    # row without /log, whose log lies beside the history. A server that
    # stalls in the middle of the catalogue is given up 10 s after its last
    # byte: the run ends well within 40 s, as does one that waits out the
    # time-out of a drive that never answers (once: it is not asked again).
    qx_offer = "0:0:0\tQX-1234A\t1.20\t1.32\tpub/VORN/cdrom/b/qx.zip\t" + qx132_hash
    for name, tree, spoil, lines, code, rows, *mode in [
        ("update available", "good", None, [QX, ACME, Q9], 1, [qx_offer, "0:2:0\tQX-9000B\t2.05\t-\t-\t-"]),
        ("nothing newer", "good", None, [Q9], 0, ["0:0:0\tQX-9000B\t2.05\t-\t-\t-"]),
        ("no drive of the maker", "good", None, [ACME], 2, []),
        ("no catalogue", None, None, [QX], 3, ["0:0:0\tQX-1234A\t1.20\t-\t-\t-"]),
        ("catalogue not verified", "good", "pub/VORN/cdrom/odd.idx", [QX], 4, ["0:0:0\tQX-1234A\t1.20\t-\t-\t-"]),
        ("no ASPI library: could not scan", "good", None, None, 8, []),
        ("catalogue stalled", "good", None, [QX], 3, ["0:0:0\tQX-1234A\t1.20\t-\t-\t-"], "stall-retr=99"),
        ("a drive that never answers", "good", None, [QX, NEVER], 8 if NT else 1, [qx_offer]),
    ]:
        if NT and lines is None:
            continue  # no ASPI library on the NT line
        fresh_run()
        serve(tree, spoil)
        drives(*(lines or []))
        log = DEFAULT_LOG if code == 1 else check_log
        server = start_server(server, *mode) if mode else server
        began = time.monotonic()
        got = wine(program, "/check", *([] if log == DEFAULT_LOG else ["/log", winpath(log)]),
                   env=env if lines is not None else dict(env, WINEDLLOVERRIDES="mscoree,mshtml=;wnaspi32=d"))
        took = time.monotonic() - began
        server = start_server(server) if mode else server
        expect(got == code and took < 40, "/check, %s: exit code %d, not %d, after %.1f s" % (name, got, code, took))
        found = log_lines(log) if os.path.exists(log) else ["(no log)"]
        named = not NT or NEVER not in (lines or []) or "the drive E: did not answer within 20 s" in "\n".join(found)
        expect(table(found) == on_line(rows) and found[-1].startswith("exit code %d: " % code) and named,
               "/check, %s: log\n  %s" % (name, "\n  ".join(found)))
        if name == "update available":
            print("\n".join(found))
    expect(started() == 0 and not os.path.exists(HISTORY), "/check flashed something")

    # /update without /yes: refused, nothing fetched or flashed.
    fresh_run()
    serve("good")
    drives(QX)
    got = wine(program, "/update", "/log", winpath(check_log), env=env)
    expect(got == 9 and log_lines(check_log)[-1] == "exit code 9: refused: /update needs /yes" and started() == 0
           and history() == [], "/update without /yes: exit %d" % got)

    # /update /yes: verified, the history written, the files removed.
    update_log = os.path.join(scratch, "update.log")
    fresh_run()
    drives(QX, ACME)
    got = wine(program, "/update", "/yes", "/log", winpath(update_log), env=env)
    lines = log_lines(update_log)
    print("\n".join(lines))
    expect(got == 0 and lines[-1] == "exit code 0: nothing to do", "/update /yes: exit %d" % got)
    expect(history() == on_line(["QX-1234A 0:0:0 1.20 1.32 verified"]) and started() == 1,
           "/update /yes: %s" % history())
    saved = [line.split(" to ")[1].split(", SHA-256")[0] for line in lines if "\tstep\tdownloaded " in line]
    expect(len(saved) == 1 and not os.path.exists(os.path.dirname(unix_path(saved[0]))),
           "/update /yes: the files were not removed: %s" % saved)
    expect(any(line.startswith(on_line("0:0:0\tverdict\tverified: the drive now runs 1.32")) for line in lines),
           "/update /yes: no verdict line")
    unpacked = [line.split("unpacked into ")[1].split(";")[0] for line in lines if "\tstep\tunpacked into " in line]
    with open(flasher_log, encoding="latin-1") as f:
        folders = [line.split("\t")[2] for line in f if line.startswith("started\t")]
    expect(unpacked and folders == unpacked, "the flasher ran in %s, not its own folder %s" % (folders, unpacked))

    # A disc in the first drive holds it back; the second is updated.
    fresh_run()
    drives(QX_DISC, Q9_OLD)
    got = wine(program, "/update", "/yes", "/log", winpath(update_log), env=env)
    lines = log_lines(update_log)
    expect(got == 5 and lines[-1] == "exit code 5: held by a check before the flash", "held: exit %d" % got)
    expect(history() == on_line(["QX-1234A 0:0:0 1.20 1.32 held: disc in drive", "QX-9000B 0:1:0 2.00 2.05 verified"])
           and started() == 1, "held: %s, %d flashers" % (history(), started()))
    held = [line for line in lines if line.startswith(on_line("0:0:0\tverdict\theld: disc in drive"))]
    expect(len(held) == 1 and os.path.isdir(unix_path(held[0].split("files kept in ")[1])),
           "held: the kept folder is not named or not there: %s" % held)
    if held:
        shutil.rmtree(unix_path(held[0].split("files kept in ")[1]), ignore_errors=True)

    # On the NT line, another program holds the second drive open without
    # sharing it: /check and /update name it and end as failed, having
    # looked at the first drive, which /update updates.
    if NT:
        fresh_run()
        drives(QX, Q9_OLD)
        ready, release = os.path.join(scratch, "hold-ready"), os.path.join(scratch, "hold-release")
        holder = subprocess.Popen(wine_command(os.path.join(build, "tools/sgio-sim/hold_drive.exe"), "E:",
                                               winpath(ready), winpath(release)), env=env)
        for _ in range(600):
            if os.path.exists(ready) or holder.poll() is not None:
                break
            time.sleep(0.1)
        checked = wine(program, "/check", "/log", winpath(check_log), env=env)
        checked_lines = log_lines(check_log)
        got = wine(program, "/update", "/yes", "/log", winpath(update_log), env=env)
        open(release, "w").close()
        holder.wait(timeout=600)
        lines = log_lines(update_log)
        named = ("# scan: the drive E: could not be opened (Windows error 32, another program holds it open); "
                 "it was not read")
        expect(checked == 8 and table(checked_lines) == on_line([qx_offer]) and named in checked_lines,
               "held open, /check: exit %d\n  %s" % (checked, "\n  ".join(checked_lines)))
        expect(got == 8 and named in lines and history() == ["QX-1234A D: 1.20 1.32 verified"] and started() == 1,
               "held open, /update: exit %d, %s\n  %s" % (got, history(), "\n  ".join(lines)))

    # Two copies at once, both with the log beside the history: while the
    # first one's flasher runs, the second is held by the machine's update
    # lock, flashes nothing and logs beside the first one's log.
    fresh_run()
    drives(QX, Q9_OLD)
    release = os.path.join(scratch, "release")
    first = subprocess.Popen(wine_command(program, "/update", "/yes", "/model", "QX-1234A"),
                             env=dict(env, VORN_FLASHER_HOLD_UNTIL=winpath(release)))
    for _ in range(3000):
        if started() or first.poll() is not None:
            break
        time.sleep(0.1)
    got = wine(program, "/update", "/yes", "/model", "QX-9000B", env=env)
    open(release, "w").close()
    own = glob.glob(os.path.join(os.path.dirname(DEFAULT_LOG), "UpdateLog-*.txt"))
    second = "\n".join(log_lines(own[0])) if len(own) == 1 else ""
    expect(first.wait(timeout=600) == 0 and got == 5 and on_line("0:1:0\tverdict\theld: another update is running: "
           "nothing was flashed") in second, "two copies: exit %s and %d, logs %s" % (first.returncode, got, own))
    expect(log_lines(DEFAULT_LOG)[-1] == "exit code 0: nothing to do", "two copies: the first one's log was spoilt")
    expect(sorted(history()) == on_line(["QX-1234A 0:0:0 1.20 1.32 verified", "QX-9000B 0:1:0 2.00 2.05 held: "
           "another update is running"]) and started() == 1, "two copies: %s, %d flashers" % (history(), started()))
    for path in own:
        os.remove(path)

    # An update a previous run left pending whose drive never came back: the
    # run that settles it ends with its code, whatever else it finds.
    fresh_run()
    drives(Q9)
    with open(HISTORY, "w", newline="") as f:
        f.write(on_line("2026-12-01 09:00:00\tQX-1234A\t0:3:0\t1.20\t1.32\tqx.zip\t-\tpending\r\n"))
    got = wine(program, "/update", "/yes", "/log", winpath(update_log), env=env)
    lines = log_lines(update_log)
    expect(got == 7 and lines[-1] == "exit code 7: drive missing after the flash" and any(
        on_line("the earlier update of QX-1234A at 0:3:0 from 1.20 to 1.32") in line for line in lines),
           "settled drive missing: exit %d\n  %s" % (got, "\n  ".join(lines)))

    # /source C:\ names the folder the catalogue copy once shared: reading it
    # leaves it as it was.
    fresh_run()
    drives(QX)
    drive_c = os.path.join(PREFIX, "drive_c")
    shutil.copy(os.path.join(published, "good/pub/VORN/cdrom/odd.idx"), drive_c)
    shutil.copy(os.path.join(published, "good/pub/VORN/cdrom/odd.idx.sig"), drive_c)
    before = tree_bytes(os.path.join(published, "good/pub/VORN/cdrom"))
    got = wine(program, "/check", "/source", "C:\\", "/log", winpath(check_log), env=env)
    kept = all(open(os.path.join(drive_c, name), "rb").read() == before[name] for name in ("odd.idx", "odd.idx.sig"))
    expect(got == 1 and kept, "/source C:\\: exit %d, the source's catalogue kept: %s" % (got, kept))
    for name in ("odd.idx", "odd.idx.sig"):
        os.remove(os.path.join(drive_c, name))

    # tools/publish mirror: a good tree is copied (and not again), the program
    # reads the copy; then each row's tree after the row's change to the copy:
    # a refusal or failure leaves the copy as it was, with one line of stderr.
    mirror = os.path.join(scratch, "mirror")
    publish = [sys.executable, os.path.join(REPO, "tools/publish/publish.py"), "mirror"]
    for expected in ("5 files fetched, 0 already there", "0 files fetched, 5 already there"):
        out = subprocess.run(publish + [os.path.join(published, "good"), mirror, "--public", PUBLIC],
                             capture_output=True, text=True)
        expect(out.returncode == 0 and expected in out.stdout, "mirror: %s%s" % (out.stdout, out.stderr))
    shutil.rmtree(root)
    shutil.copytree(mirror, root)
    fresh_run()
    drives(QX)
    got = wine(program, "/check", "/log", winpath(check_log), env=env)
    expect(got == 1 and table(log_lines(check_log)) == on_line([qx_offer]), "/check of the mirror: exit %d" % got)
    for name in ("tampered", "newer"):
        shutil.copytree(os.path.join(published, "good"), os.path.join(published, name))
    with open(os.path.join(published, "tampered/pub/VORN/cdrom/a/qx131.zip"), "ab") as f:
        f.write(b"!")
    subprocess.run(publish[:2] + ["sign", "--key", key, "--serial", "5",
                                  os.path.join(published, "newer/pub/VORN/cdrom/odd.idx")], check=True)
    publish_tree("changed", served, "pub/VORN/cdrom/a/qx.zip=" + qx132, "pub/VORN/cdrom/c/same.zip=" + qx132)
    with open(os.path.join(scratch, "drive.txt"), "w") as f:
        f.write("<model> QX-1234A\n<version> 1.3 <fw x> pub/VORN/C:/qx.zip <compare mode> version <~item>\n<~model>\n")
    publish_tree("drive", os.path.join(scratch, "drive.txt"))
    with open(os.path.join(scratch, "spellings.txt"), "w") as f:
        f.write("<model> QX-1234A\n<version> 1.3 <fw x> pub/VORN/cdrom/a/QX.zip <compare mode> version <~item>\n"
                "<version> 1.4 <fw x> pub/VORN/cdrom/a/qx.zip. <compare mode> version <~item>\n<~model>\n")
    publish_tree("spellings", os.path.join(scratch, "spellings.txt"))
    copy = lambda path: os.path.join(mirror, "pub/VORN/cdrom", path)
    for name, tree, change, options, code, word in [
        ("tampered", "tampered", lambda: os.remove(copy("a/qx131.zip")), [], 1, "refused"),
        ("serial 5", "newer", None, [], 0, ""),
        ("serial 1 after 5", "good", None, [], 1, "serial 1 is below 5"),
        ("serial 1 allowed", "good", None, ["--allow-older"], 0, "warning"),
        ("a file where a folder goes", "changed", lambda: (shutil.rmtree(copy("c")), open(copy("c"), "w").close()),
         [], 2, "left as it was"),
        ("a drive in a path", "drive", None, [], 1, "C:/qx.zip"),
        ("two spellings of one file", "spellings", None, [], 1, "name one file on Windows"),
        ("a run holding the lock", "newer",
         lambda: (os.remove(copy("c")), open(os.path.join(mirror, ".mirror-lock"), "w").write("42")),
         [], 2, "remove " + os.path.join(mirror, ".mirror-lock")),
    ]:
        if change:
            change()
        before = tree_bytes(mirror)
        out = subprocess.run(publish + [os.path.join(published, tree), mirror, "--public", PUBLIC] + options,
                             capture_output=True, text=True)
        after, wanted = tree_bytes(mirror), tree_bytes(os.path.join(published, tree))
        expect(out.returncode == code and word in out.stderr and len(out.stderr.splitlines()) == (word != "")
               and (after == before if code else all(after.get(p) == b for p, b in wanted.items())),
               "mirror, %s: %d %s" % (name, out.returncode, out.stderr))
finally:
    if server is not None:
        server.terminate()
        server.wait()
    if session:
        subprocess.run([os.path.join(REPO, "tools/wine/wine-session.sh"), "stop", build])
    fresh_run()
    shutil.rmtree(scratch, ignore_errors=True)
print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
