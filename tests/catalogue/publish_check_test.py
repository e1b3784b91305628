#!/usr/bin/python3
"""publish.py stamp and sign over the program's catalogue check: each row is
one model section; a refused one names the fault and is left as it was, with
no signature; an accepted one is stamped so that the program reads each
entry's file. Arguments: CATALOGUE_CHECK SIGNING_KEY."""
import os, subprocess, sys, tempfile

PUBLISH = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "publish", "publish.py")
LONG = "pub/" + "x" * 60 + ".zip"
ROWS = [  # the section's entries, and a word of the fault ("": accepted)
    ("<datecode> 1 <fw x> a.zip <~item> <datecode> 2 <fw x> b.zip <~item>", ""),
    ("<datecode> 1 <fw x> a.zip <fw x> b.zip <~item>", "2 <fw tags"),
    ("<datecode> 1 <fw x> " + LONG + " <~item>", "longer than the program's limit"),
    ("<datecode> 1 <fw x> " + os.path.abspath("/etc/hostname") + " <~item>", "not a plain path"),
    ("<datecode> 1 <fw x> ../outside.zip <~item>", "not a plain path"),
    ("<datecode> <fw x> a.zip <~item>", "names no file"),
    ("<datecode> 1 <fw x> a.zip", "not closed by <~item>"),
    ("<datecode> 1 <fw x> a.zip <~item> <model> B <datecode> 2 <fw x> b.zip <~item>", "holds a <model> tag"),
    ("<datecode> 1 <fw x> a.zip <description> z<fw x> b.zip <~item>", "2 <fw tags"),  # as 1028 reads it
]

failures = 0
with tempfile.TemporaryDirectory() as scratch:
    root = os.path.join(scratch, "root")
    for name in ("a.zip", "b.zip", LONG, "../outside.zip"):
        os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
        with open(os.path.join(root, name), "w") as f:
            f.write("firmware " + name)
    env = dict(os.environ, VORN_CATALOGUE_CHECK=sys.argv[1])
    for number, (entries, fault) in enumerate(ROWS, 1):
        catalogue = os.path.join(scratch, "odd%d.idx" % number)
        text = ("<model> A\r\n" + entries + "\r\n<~model>\r\n").encode()
        with open(catalogue, "wb") as f:
            f.write(text)
        run = lambda *args: subprocess.run([sys.executable, PUBLISH] + list(args), env=env,
                                           capture_output=True, text=True)
        stamp = run("stamp", "--root", root, catalogue)
        sign = run("sign", "--key", sys.argv[2], catalogue)
        check = run("stamp", "--check", "--root", root, catalogue)
        with open(catalogue, "rb") as f:
            stamped = f.read()
        if fault:
            ok = (stamp.returncode and sign.returncode and check.returncode and fault in stamp.stderr
                  and fault in sign.stderr and stamped == text and not os.path.exists(catalogue + ".sig"))
        else:
            ok = (not stamp.returncode and not sign.returncode and not check.returncode
                  and stamped.count(b"<sha256>") == 2 and os.path.exists(catalogue + ".sig")
                  and stamped.startswith(b"<serial> 1 <issued> "))
        if not ok:
            failures += 1
            print("row %d (%s): stamp %d, sign %d, check %d\n%s%s" % (
                number, fault or "accepted", stamp.returncode, sign.returncode, check.returncode,
                stamp.stderr, sign.stderr))
    # The issue: a second signing counts on, a lower serial is refused.
    first = os.path.join(scratch, "odd1.idx")
    signs = [run("sign", "--key", sys.argv[2], *extra, first).returncode
             for extra in ([], ["--serial", "1"], ["--serial", "9", "--issued", "2026-01-02"])]
    header = open(first, "rb").read().split(b"<model>")[0]
    if signs != [0, 1, 0] or header != b"<serial> 9 <issued> 2026-01-02\r\n":
        failures += 1
        print("issue: signs %s, header %r" % (signs, header))
print("%d of %d rows failed" % (failures, len(ROWS) + 1))
sys.exit(1 if failures else 0)
