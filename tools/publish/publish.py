#!/usr/bin/python3
"""The maker's publishing tools, over the openssl command line.

  publish.py keygen --private KEY.pem --public PUB.pem
      a new RSA key pair (3072 bits, exponent 65537) for signing catalogues
  publish.py stamp --root FTP_ROOT CATALOGUE [--check]
      writes the size and the SHA-256 of every firmware file the catalogue
      names (<fw ... PATH, taken below FTP_ROOT) into its entry as <size> and
      <sha256>; with --check, changes nothing and lists every entry whose
      values differ from the files (exit status 1 if any does)
  publish.py sign --key KEY.pem CATALOGUE [--out SIG] [--allow-unhashed]
                  [--serial N] [--issued YYYY-MM-DD | --keep-issue]
      first writes the catalogue's issue into its header, the text before the
      first <model>: "<serial> N <issued> DATE" on its first line, in place
      of any there before. N is the serial there plus 1 (1 when there is
      none) unless --serial names one; a lower one than there is refused, for
      the program refuses a catalogue below the highest serial it has seen.
      DATE is today's date (UTC) unless --issued names one. --keep-issue
      signs the catalogue as it stands (a second signature of the same
      bytes). Then a detached signature over the exact bytes of the
      catalogue, written to CATALOGUE.sig unless --out says otherwise
  publish.py verify --public PUB.pem CATALOGUE [--sig SIG]
      checks a signature as the program does
  publish.py mirror SOURCE DEST [--public PUB.pem ...] [--allow-older]
      copies a published tree (an ftp:// or http:// address, or a folder)
      into DEST once its signature and every file's SHA-256 verify, and
      its serial is not below that of the catalogue DEST holds; see
      mirror.py

stamp, stamp --check and sign first run the program's own catalogue parser
(tools/catalogue-check) and refuse, changing nothing, a catalogue with an
entry the program would not offer or would read otherwise than this tool:
two <fw tags, a path longer than the program reads, a path outside
FTP_ROOT, no <sha256> (sign --allow-unhashed lets that one pass, for test
trees read as a program built without keys). A stamped catalogue is checked
again against the files before it replaces the old one. The check is taken
from VORN_CATALOGUE_CHECK, else from the build tree that holds the catalogue
(the tests' and the demo's trees), else from this checkout's build/native.

The catalogue is handled as bytes, so it keeps its code page and line ends.
"""
import argparse
import datetime
import hashlib
import os
import re
import subprocess
import sys

OPENSSL = "openssl"
REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CHECK_IN_TREE = os.path.join("tools", "catalogue-check", "catalogue_check")

# The first "<model>" token: the header, which holds the issue, ends there.
MODEL = re.compile(rb"(?<!\S)<model>(?!\S)")
# A tag of the issue and its value, in the header.
ISSUE_TAG = re.compile(rb"(?<!\S)(<serial>|<issued>)(?:\s+(\S+))?")
ISSUE_LINE = re.compile(rb"\A<serial>[ \t]+\S+[ \t]+<issued>[ \t]+\S+[ \t]*\r?\n")
SERIAL = re.compile(rb"[0-9]{1,18}")
DATE = re.compile(r"[0-9]{4}-[0-9]{2}-[0-9]{2}")

# One entry: everything up to and including the next "<~item>" token.
ENTRY = re.compile(rb"(?s).*?(?<!\S)<~item>(?!\S)")
FW = re.compile(rb"(?<!\S)<fw\s+\S+\s+(\S+)")


def keygen(private, public):
    subprocess.run([OPENSSL, "genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:3072",
                    "-out", private], check=True, stderr=subprocess.DEVNULL)
    os.chmod(private, 0o600)
    subprocess.run([OPENSSL, "pkey", "-in", private, "-pubout", "-out", public], check=True)


def checker(catalogue):
    """The path of the program's catalogue check (see the module's text)."""
    if os.environ.get("VORN_CATALOGUE_CHECK"):
        return os.environ["VORN_CATALOGUE_CHECK"]
    folder = os.path.dirname(os.path.abspath(catalogue))
    while not os.path.isfile(os.path.join(folder, "CMakeCache.txt")):
        if os.path.dirname(folder) == folder:
            return os.path.join(REPO, "build", "native", CHECK_IN_TREE)
        folder = os.path.dirname(folder)
    return os.path.join(folder, CHECK_IN_TREE)


def program_reads(catalogue, *options):
    """Whether the program's parser reads every entry of `catalogue` as this
    tool does (tools/catalogue-check with `options`); its faults go to stderr."""
    check = checker(catalogue)
    if not os.path.isfile(check):
        sys.exit("publish.py: the catalogue check %s is missing; build it with "
                 "`cmake --build build/native --target catalogue_check` or name it in VORN_CATALOGUE_CHECK" % check)
    result = subprocess.run([check] + list(options) + [catalogue], stdout=subprocess.DEVNULL)
    if result.returncode != 0:
        print("publish.py: %s refused: the program would not read it as published" % catalogue, file=sys.stderr)
    return result.returncode == 0


def file_facts(root, path):
    # Only files below the root: an absolute path or "..", or a link leading
    # out, would hash a file the server never serves.
    top = os.path.realpath(root)
    full = os.path.realpath(os.path.join(top, path.decode("latin-1")))
    if os.path.commonpath([top, full]) != top:
        sys.exit("publish.py: %s lies outside %s" % (path.decode("latin-1"), root))
    with open(full, "rb") as f:
        data = f.read()
    return str(len(data)).encode(), hashlib.sha256(data).hexdigest().encode()


def set_tag(entry, tag, value, after, newline):
    """Gives `tag` the value `value` in `entry`: replaces the value of the
    tag's last occurrence, or adds the tag on a line of its own after the
    line that holds offset `after`, or right at `after` when the entry ends
    on that line (after its end the tag would belong to the next entry)."""
    found = list(re.finditer(rb"(?<!\S)" + re.escape(tag) + rb"(\s+)(\S+)", entry))
    if found:
        last = found[-1]
        return entry[:last.start(2)] + value + entry[last.end(2):]
    line_end = entry.find(b"\n", after)
    if line_end < 0:
        return entry[:after] + b" " + tag + b" " + value + entry[after:]
    return entry[:line_end + 1] + tag + b" " + value + newline + entry[line_end + 1:]


def tag_value(entry, tag):
    found = re.findall(rb"(?<!\S)" + re.escape(tag) + rb"\s+(\S+)", entry)
    return found[-1] if found else None


def stamp(root, catalogue, check):
    if check:
        if not program_reads(catalogue, "--root", root):
            return 1
    elif not program_reads(catalogue, "--unhashed-ok"):
        return 1
    with open(catalogue, "rb") as f:
        text = f.read()
    newline = b"\r\n" if b"\r\n" in text else b"\n"
    out, pos, differences = [], 0, 0
    for match in ENTRY.finditer(text):
        entry = match.group(0)
        fw = FW.search(entry)
        if fw is not None:
            path = fw.group(1)
            size, digest = file_facts(root, path)
            if check:
                if tag_value(entry, b"<size>") != size or tag_value(entry, b"<sha256>") != digest:
                    print("differs: %s" % path.decode("latin-1"))
                    differences += 1
            else:
                # Each new tag goes right after the <fw line: <size>, then <sha256>.
                entry = set_tag(entry, b"<sha256>", digest, fw.end(), newline)
                entry = set_tag(entry, b"<size>", size, fw.end(), newline)
        out.append(entry)
        pos = match.end()
    out.append(text[pos:])
    if check:
        return 1 if differences else 0
    # The stamped text replaces the catalogue only once the program reads
    # each entry's size and SHA-256 as those of its file.
    stamped = catalogue + ".stamped~"
    with open(stamped, "wb") as f:
        f.write(b"".join(out))
    if not program_reads(stamped, "--root", root):
        os.remove(stamped)
        return 1
    os.replace(stamped, catalogue)
    return 0


def header_end(text):
    model = MODEL.search(text)
    return model.start() if model else len(text)


def header_serial(text):
    """The serial of the catalogue `text` as the program reads it: the last
    <serial> of the header, as 1 to 18 digits, anything else as 0 (none)."""
    serial = 0
    for tag in ISSUE_TAG.finditer(text, 0, header_end(text)):
        if tag.group(1) == b"<serial>":
            serial = int(tag.group(2)) if tag.group(2) and SERIAL.fullmatch(tag.group(2)) else 0
    return serial


def with_issue(text, serial, issued):
    """`text` with "<serial> SERIAL <issued> ISSUED" on its first line, and
    without the tags of the issue its header held before; also the serial
    that was there (0: none)."""
    end = header_end(text)
    old = header_serial(text)
    # The line an earlier signing wrote goes whole, other tags of the issue
    # with their values.
    header = ISSUE_LINE.sub(b"", text[:end], count=1)
    header = ISSUE_TAG.sub(b"", header)
    newline = b"\r\n" if b"\r\n" in text else b"\n"
    if serial is None:
        serial = old + 1
    elif serial < old:
        sys.exit("publish.py: serial %d is below the catalogue's serial %d; the program would refuse it "
                 "wherever %d was seen" % (serial, old, old))
    if not SERIAL.fullmatch(str(serial).encode()) or serial < 1:
        sys.exit("publish.py: a serial is 1 to 18 decimal digits")
    # A header left with nothing but white space is dropped with the old tags.
    if not header.strip():
        header = b""
    line = b"<serial> %d <issued> %s" % (serial, issued.encode())
    return line + newline + header + text[end:], old


def sign(key, catalogue, out, allow_unhashed, serial=None, issued=None, keep_issue=False):
    if not program_reads(catalogue, *(["--unhashed-ok"] if allow_unhashed else [])):
        sys.exit(1)
    if not keep_issue:
        issued = issued or datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d")
        if not DATE.fullmatch(issued):
            sys.exit("publish.py: the issue date is YYYY-MM-DD")
        with open(catalogue, "rb") as f:
            text, _ = with_issue(f.read(), serial, issued)
        issued_copy = catalogue + ".issued~"
        with open(issued_copy, "wb") as f:
            f.write(text)
        os.replace(issued_copy, catalogue)
    subprocess.run([OPENSSL, "dgst", "-sha256", "-sign", key, "-out", out or catalogue + ".sig", catalogue],
                   check=True)


def verify(public, catalogue, sig):
    result = subprocess.run([OPENSSL, "dgst", "-sha256", "-verify", public, "-signature",
                             sig or catalogue + ".sig", catalogue])
    return result.returncode


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    p = commands.add_parser("keygen")
    p.add_argument("--private", required=True)
    p.add_argument("--public", required=True)
    p = commands.add_parser("stamp")
    p.add_argument("--root", required=True)
    p.add_argument("--check", action="store_true")
    p.add_argument("catalogue")
    p = commands.add_parser("sign")
    p.add_argument("--key", required=True)
    p.add_argument("--out")
    p.add_argument("--allow-unhashed", action="store_true")
    p.add_argument("--serial", type=int)
    issue = p.add_mutually_exclusive_group()
    issue.add_argument("--issued")
    issue.add_argument("--keep-issue", action="store_true")
    p.add_argument("catalogue")
    p = commands.add_parser("mirror", add_help=False)
    p.add_argument("rest", nargs=argparse.REMAINDER)
    p = commands.add_parser("verify")
    p.add_argument("--public", required=True)
    p.add_argument("--sig")
    p.add_argument("catalogue")
    args = parser.parse_args()
    if args.command == "mirror":
        import mirror
        sys.exit(mirror.main(args.rest))
    if args.command == "keygen":
        keygen(args.private, args.public)
    elif args.command == "stamp":
        sys.exit(stamp(args.root, args.catalogue, args.check))
    elif args.command == "sign":
        sign(args.key, args.catalogue, args.out, args.allow_unhashed, args.serial, args.issued, args.keep_issue)
    else:
        sys.exit(verify(args.public, args.catalogue, args.sig))


if __name__ == "__main__":
    main()
