#!/usr/bin/python3
"""Checks a shipped Windows program against the allowlist of its architecture.

    check_program.py ALLOWLIST PROGRAM.exe [VERSION]

Reads the PE file itself (a small reader of ours over the standard library;
no Windows and no Wine needed) and fails when
- the machine type is not the allowlist's,
- the subsystem version (or the operating-system version) is above the
  allowlist's highest (the Windows 95/98/Me loader refuses a program that
  asks for more than 4.0),
- the program imports a function the allowlist does not name: every Windows
  the program claims must export each import, or the loader refuses to start
  it,
- it has delay-load imports (they would escape this check),
- it has TLS callbacks other than the allowlist's (the 95/98/Me loader never
  calls them): named through the COFF symbol table when the file has one,
  only counted when it is stripped,
- given VERSION, its manifest does not ask for administrator rights or name
  the supported systems, or its version record does not carry VERSION, the
  company, the product and its own file name.

Allowlist lines (# starts a comment):
    machine i386|amd64
    max-subsystem-version MAJOR.MINOR
    source TAG TEXT           where availability was established
    tls-callback SYMBOL TAG
    DLL FUNCTION TAG          an allowed import
"""
import os
import re
import struct
import sys

MACHINES = {0x14C: "i386", 0x8664: "amd64"}


class PeError(Exception):
    pass


class PeFile:
    """The parts of a PE image the check reads."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        (machine, sections, _, self.symbol_table, self.symbol_count, optional_size,
         _) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        self.machine = MACHINES.get(machine, hex(machine))
        opt = pe + 24
        magic = self.u16(opt)
        if magic not in (0x10B, 0x20B):
            raise PeError("unknown optional header magic %#x" % magic)
        self.pe32plus = magic == 0x20B
        self.image_base = self.u64(opt + 24) if self.pe32plus else self.u32(opt + 28)
        self.os_version = (self.u16(opt + 40), self.u16(opt + 42))
        self.subsystem_version = (self.u16(opt + 48), self.u16(opt + 50))
        self.subsystem = self.u16(opt + 68)
        dirs = opt + (112 if self.pe32plus else 96)
        count = self.u32(dirs - 4)
        self.directories = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(count)]
        self.sections = []
        for i in range(sections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from(
                "<8sIIII", data, opt + optional_size + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("latin-1"), va, max(vsize, rawsize),
                                  rawptr, rawsize))

    def u16(self, off):
        return struct.unpack_from("<H", self.data, off)[0]

    def u32(self, off):
        return struct.unpack_from("<I", self.data, off)[0]

    def u64(self, off):
        return struct.unpack_from("<Q", self.data, off)[0]

    def pointer(self, off):
        return self.u64(off) if self.pe32plus else self.u32(off)

    def offset(self, rva):
        for _, va, size, rawptr, rawsize in self.sections:
            if va <= rva < va + size:
                if rva - va >= rawsize:
                    raise PeError("RVA %#x lies in uninitialised data" % rva)
                return rawptr + rva - va
        raise PeError("RVA %#x is in no section" % rva)

    def text(self, rva):
        off = self.offset(rva)
        end = self.data.index(b"\0", off)
        return self.data[off:end].decode("latin-1")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def imports(self):
        """(dll, function) pairs; ordinals as '#N'."""
        rva, size = self.directory(1)
        found = []
        if rva == 0 or size == 0:
            return found
        off = self.offset(rva)
        width = 8 if self.pe32plus else 4
        ordinal_flag = 1 << (8 * width - 1)
        while True:
            lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, off)
            if lookup == 0 and name == 0 and first == 0:
                return found
            dll = self.text(name)
            thunk = self.offset(lookup or first)
            while True:
                entry = self.pointer(thunk)
                if entry == 0:
                    break
                if entry & ordinal_flag:
                    found.append((dll, "#%d" % (entry & 0xFFFF)))
                else:
                    found.append((dll, self.text((entry & 0x7FFFFFFF) + 2)))
                thunk += width
            off += 20

    def tls_callbacks(self):
        """Addresses (RVAs) of the TLS callbacks."""
        rva, size = self.directory(9)
        if rva == 0 or size == 0:
            return []
        width = 8 if self.pe32plus else 4
        array_va = self.pointer(self.offset(rva) + 3 * width)
        if array_va == 0:
            return []
        callbacks = []
        off = self.offset(array_va - self.image_base)
        while self.pointer(off) != 0:
            callbacks.append(self.pointer(off) - self.image_base)
            off += width
        return callbacks

    def resources(self, type_id):
        """The data of every resource of a numbered type (any name, any language)."""
        rva, size = self.directory(2)
        if rva == 0 or size == 0:
            return []
        base = self.offset(rva)

        def entries(off):
            named, numbered = struct.unpack_from("<HH", self.data, base + off + 12)
            for i in range(named + numbered):
                yield struct.unpack_from("<II", self.data, base + off + 16 + 8 * i)

        def leaves(off):
            for _, target in entries(off):
                if target & 0x80000000:
                    yield from leaves(target & 0x7FFFFFFF)
                else:
                    data_rva, data_size = struct.unpack_from("<II", self.data, base + target)
                    start = self.offset(data_rva)
                    yield self.data[start:start + data_size]

        return [blob for name, target in entries(0) if name == type_id and target & 0x80000000
                for blob in leaves(target & 0x7FFFFFFF)]

    def symbols_at(self):
        """RVA -> symbol names from the COFF symbol table (empty when stripped)."""
        names = {}
        if self.symbol_table == 0 or self.symbol_count == 0:
            return names
        strings = self.symbol_table + 18 * self.symbol_count
        i = 0
        while i < self.symbol_count:
            off = self.symbol_table + 18 * i
            raw, value, section, _, _, aux = struct.unpack_from("<8sIhHBB", self.data, off)
            if raw[:4] == b"\0\0\0\0":
                start = strings + struct.unpack_from("<I", raw, 4)[0]
                name = self.data[start:self.data.index(b"\0", start)].decode("latin-1")
            else:
                name = raw.rstrip(b"\0").decode("latin-1")
            if 0 < section <= len(self.sections):
                names.setdefault(self.sections[section - 1][1] + value, []).append(name)
            i += 1 + aux
        return names


class Allowlist:
    def __init__(self, path):
        self.path = path
        self.machine = None
        self.max_subsystem = None
        self.sources = {}
        self.imports = {}       # (DLL upper, function) -> tag
        self.tls_callbacks = {}  # symbol -> tag
        problems = []
        with open(path, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                words = line.split("#", 1)[0].split()
                if not words:
                    continue
                key = words[0]
                if key == "machine" and len(words) == 2:
                    self.machine = words[1]
                elif key == "max-subsystem-version" and len(words) == 2:
                    self.max_subsystem = tuple(int(p) for p in words[1].split("."))
                elif key == "source" and len(words) >= 3:
                    self.sources[words[1]] = " ".join(words[2:])
                elif key == "tls-callback" and len(words) == 3:
                    self.tls_callbacks[words[1]] = words[2]
                elif len(words) == 3:
                    self.imports[(words[0].upper(), words[1])] = words[2]
                else:
                    problems.append("%s:%d: cannot read %r" % (path, number, line.rstrip()))
        for tag in list(self.imports.values()) + list(self.tls_callbacks.values()):
            if tag not in self.sources:
                problems.append("%s: source tag %r is used but no 'source %s ...' line says what it is"
                                % (path, tag, tag))
        if self.machine is None or self.max_subsystem is None:
            problems.append("%s: needs a 'machine' and a 'max-subsystem-version' line" % path)
        if problems:
            raise PeError("\n".join(sorted(set(problems))))


def plain_name(symbol):
    """A C function's name without the i386 decoration (_name@12)."""
    return symbol.lstrip("_").split("@")[0]


def check(allowlist, program):
    with open(program, "rb") as f:
        pe = PeFile(f.read())
    failures = []
    if pe.machine != allowlist.machine:
        failures.append("machine type %s, expected %s" % (pe.machine, allowlist.machine))
    for what, version in (("subsystem", pe.subsystem_version), ("operating system", pe.os_version)):
        if version > allowlist.max_subsystem:
            failures.append("%s version %d.%d is above %d.%d, which the oldest supported Windows "
                            "requires" % ((what,) + version + allowlist.max_subsystem))
    if pe.directory(13)[0] != 0:
        failures.append("delay-load imports present; import those functions normally or resolve "
                        "them with GetProcAddress")
    imported = pe.imports()
    for dll, function in imported:
        if (dll.upper(), function) not in allowlist.imports:
            failures.append(
                "new import %s!%s. If every Windows this program supports exports it, add the line\n"
                "    %s %s <source tag>\n  to %s, with a 'source' line saying where that was "
                "established (the documented minimum version, or for 95/98/Me a record of the "
                "system's exports); otherwise resolve it at run time with GetProcAddress."
                % (dll, function, dll, function, allowlist.path))
    callbacks = pe.tls_callbacks()
    symbols = pe.symbols_at()
    allowed_callbacks = {plain_name(name) for name in allowlist.tls_callbacks}
    if symbols:
        for rva in callbacks:
            names = [n for n in symbols.get(rva, []) if not n.startswith(".")] or ["<unnamed at %#x>" % rva]
            if not any(plain_name(name) in allowed_callbacks for name in names):
                failures.append("TLS callback %s, which the Windows 95/98/Me loader never calls; "
                                "if that is harmless add 'tls-callback %s <source tag>' to %s"
                                % ("/".join(names), plain_name(names[0]), allowlist.path))
    elif len(callbacks) > len(allowlist.tls_callbacks):
        failures.append("%d TLS callbacks in a stripped program, at most %d allowed"
                        % (len(callbacks), len(allowlist.tls_callbacks)))
    allowed_unused = sorted(set(allowlist.imports) - {(d.upper(), f) for d, f in imported})
    return failures, imported, allowed_unused


RT_VERSION, RT_MANIFEST = 16, 24


def check_resources(pe, program, version):
    """The manifest and the version record the program ships with."""
    failures = []
    manifests = pe.resources(RT_MANIFEST)
    if len(manifests) != 1:
        failures.append("%d manifests, expected one" % len(manifests))
    else:
        text = manifests[0].decode("utf-8", "replace")
        if not re.search(r'<requestedExecutionLevel\s+level="requireAdministrator"', text):
            failures.append("the manifest does not ask for administrator rights")
        if len(re.findall(r"<supportedOS\s", text)) < 5:
            failures.append("the manifest names fewer than the five supported systems Vista to 10")
        if ('version="%s.0"' % version) not in text:
            failures.append("the manifest's identity does not carry version %s.0" % version)
    records = pe.resources(RT_VERSION)
    if len(records) != 1:
        return failures + ["%d version records, expected one" % len(records)]
    record = records[0]
    fixed = record.find(struct.pack("<I", 0xFEEF04BD))
    parts = [int(p) for p in version.split(".")] + [0]
    wanted = struct.pack("<IIII", parts[0] << 16 | parts[1], parts[2] << 16 | parts[3],
                         parts[0] << 16 | parts[1], parts[2] << 16 | parts[3])
    if fixed < 0 or record[fixed + 8:fixed + 24] != wanted:
        failures.append("the version record's numbers are not %s.0" % version)
    strings = record.decode("utf-16-le", "replace")
    expected = {"CompanyName": "VORN", "ProductName": "VORN Firmware Update",
                "FileVersion": version, "ProductVersion": version,
                "OriginalFilename": os.path.basename(program)}
    for key, value in expected.items():
        if not re.search(re.escape(key) + "\0+" + re.escape(value) + "\0", strings):
            failures.append("the version record's %s is not %r" % (key, value))
    return failures


def main(argv):
    if len(argv) not in (3, 4):
        print(__doc__, file=sys.stderr)
        return 2
    try:
        allowlist = Allowlist(argv[1])
        failures, imported, unused = check(allowlist, argv[2])
        if len(argv) == 4:
            with open(argv[2], "rb") as f:
                failures += check_resources(PeFile(f.read()), argv[2], argv[3])
    except (OSError, PeError, struct.error, ValueError) as error:
        print("check_program: %s" % error, file=sys.stderr)
        return 1
    for failure in failures:
        print("%s: %s" % (argv[2], failure), file=sys.stderr)
    if unused:
        print("note: allowed but no longer imported (remove when no longer needed): %s"
              % ", ".join("%s!%s" % pair for pair in unused))
    print("%s: %d imports, %d failures" % (argv[2], len(imported), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
