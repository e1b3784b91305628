#!/usr/bin/python3
"""Writes the zip archives the reader and installer tests read.

Every archive is made by a real archiver: Python's zipfile, or Info-ZIP zip
where its own layout matters (directory entries, streamed output with data
descriptors). The tests make their broken variants from these in code.

usage: make_archives.py OUTDIR [--flasher PROGRAM]
PROGRAM is the program the install archives carry as their flasher; without
it they carry a POSIX shell script that records its start like the Windows
test flasher does (its path and folder, appended to $VORN_FLASHER_LOG).
"""
import io
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib

FLASHER_SCRIPT = b'#!/bin/sh\nprintf \'started\\t%s\\t%s\\n\' "$0" "$(pwd)" >> "${VORN_FLASHER_LOG:-flasher.log}"\n'

# Fixed times keep the output the same from run to run.
WHEN = (2019, 6, 15, 13, 45, 30)


def mixed_data(size, seed):
    """Compressible text with a share of random bytes."""
    rng = random.Random(seed)
    words = [b'firmware', b'drive', b'VORN', b'sector', b'0x1F', b'update', b'\n']
    out = bytearray()
    while len(out) < size:
        if rng.random() < 0.1:
            out += bytes(rng.getrandbits(8) for _ in range(64))
        else:
            out += rng.choice(words) + b' '
    return bytes(out[:size])


def info(name, method=zipfile.ZIP_DEFLATED, mode=0o100644):
    zi = zipfile.ZipInfo(name, WHEN)
    zi.compress_type = method
    zi.external_attr = mode << 16
    zi.create_system = 3
    return zi


def write_zip(path, members, comment=b''):
    """members: list of (name, data, method[, mode])."""
    with zipfile.ZipFile(path, 'w') as z:
        for m in members:
            z.writestr(info(m[0], m[2], *(m[3:])), m[1])
        z.comment = comment
    return path


def zip_bytes(members):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, 'w') as z:
        for m in members:
            z.writestr(info(m[0], m[2], *(m[3:])), m[1])
    return buf.getvalue()


def stored_parts(name, data):
    """A stored member as zipfile writes it: its local header and data, and
    its central record."""
    raw = zip_bytes([(name, data, zipfile.ZIP_STORED)])
    directory = struct.unpack_from('<I', raw, len(raw) - 6)[0]
    return raw[:directory], raw[directory:len(raw) - 22]


def with_directory(body, records):
    """body, then a directory of (central record, local header offset) and an
    end record."""
    directory = b''.join(r[:42] + struct.pack('<I', offset) + r[46:] for r, offset in records)
    end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, len(records), len(records), len(directory), len(body), 0)
    return body + directory + end


def overlapping(inner_at, tail):
    """A stored member whose data holds, `inner_at` bytes in, the local header
    and data of a second member that the directory lists as well, followed
    by `tail` more bytes: each entry alone is valid."""
    inner_local, inner_record = stored_parts('inner.exe', b'inner member\n')
    outer_local, outer_record = stored_parts('outer.bin', b'o' * inner_at + inner_local + b't' * tail)
    data_at = 30 + len('outer.bin')
    return with_directory(outer_local, [(outer_record, 0), (inner_record, data_at + inner_at)])


class Unseekable(io.RawIOBase):
    """A write-only stream zipfile cannot seek in: it then writes bit 3 with
    zeros in each local header and a data descriptor after the data."""
    def __init__(self, f):
        self.f = f

    def writable(self):
        return True

    def write(self, b):
        return self.f.write(b)


def main():
    out = sys.argv[1]
    flasher = FLASHER_SCRIPT
    if len(sys.argv) > 3 and sys.argv[2] == '--flasher':
        flasher = open(sys.argv[3], 'rb').read()
    os.makedirs(out, exist_ok=True)
    S, D = zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED
    text = mixed_data(200000, 1)
    block = bytes((i * 7 + 3) & 0xFF for i in range(32768))

    write_zip(os.path.join(out, 'members.zip'), [
        ('stored.txt', b'stored member\n', S),
        ('deflated.bin', text, D),
        ('empty.txt', b'', S),
        ('empty-deflated.txt', b'', D),
        ('block32k.bin', block, S),
    ])

    # Info-ZIP: a folder tree with its directory entries.
    with tempfile.TemporaryDirectory() as tmp:
        for rel, data in [('top/a.txt', b'alpha\n'), ('top/sub/deep/b.txt', text[:5000]),
                          ('top/sub/c.txt', b'')]:
            p = os.path.join(tmp, rel)
            os.makedirs(os.path.dirname(p), exist_ok=True)
            with open(p, 'wb') as f:
                f.write(data)
        os.makedirs(os.path.join(tmp, 'top/emptydir'))
        target = os.path.abspath(os.path.join(out, 'tree.zip'))
        if os.path.exists(target):
            os.remove(target)
        subprocess.run(['zip', '-q', '-X', '-r', target, 'top'], cwd=tmp, check=True)
        # Info-ZIP writing to a pipe: bit 3, zero CRC and sizes in the local headers.
        streamed = subprocess.run(['zip', '-q', '-X', '-', 'top/a.txt', 'top/sub/deep/b.txt'],
                                  cwd=tmp, check=True, stdout=subprocess.PIPE).stdout
        with open(os.path.join(out, 'streamed-infozip.zip'), 'wb') as f:
            f.write(streamed)
        # Info-ZIP given data on standard input and a file to write (as in
        # `some-command | zip > fw.zip`; here the piped member joins an
        # archive of one file): Zip64 sizes in that member's local header
        # and Zip64 end records before the end record, though every value
        # fits 32 bits.
        target = os.path.abspath(os.path.join(out, 'piped-infozip.zip'))
        if os.path.exists(target):
            os.remove(target)
        subprocess.run(['zip', '-q', '-X', target, 'top/a.txt'], cwd=tmp, check=True)
        subprocess.run(['zip', '-q', '-X', target, '-'], cwd=tmp, input=text[:50000], check=True)

    with open(os.path.join(out, 'streamed-python.zip'), 'wb') as f:
        with zipfile.ZipFile(Unseekable(f), 'w') as z:
            z.writestr(info('one.txt', D), text[:30000])
            z.writestr(info('two.bin', S), block[:1000])

    # A 1 MB program stub in front of an archive whose offsets start after it.
    stub = b'MZ' + bytes(1024 * 1024 - 2)
    with open(os.path.join(out, 'stub.zip'), 'wb') as f:
        f.write(stub + zip_bytes([('inside.txt', b'behind the stub\n', D), ('second.bin', block, S)]))

    # End records at chosen distances from the end of the file.
    for length in (1007, 1008, 1009, 65513, 65520):
        # The member keeps the file longer than the search window's first
        # chunks, so the chunks fall where the file's length puts them.
        write_zip(os.path.join(out, 'comment%d.zip' % length), [('c.bin', block[:4000], S)],
                  comment=b'x' * length)

    # Members that share bytes (the overlapping-members zip bomb): a second
    # member inside the first one's data at its start, in its middle and at
    # its end; one whose header starts on the last byte of the first one's
    # data; and two entries of one local header.
    for name, inner_at, tail in (('start', 0, 100), ('middle', 100, 100), ('end', 100, 0)):
        with open(os.path.join(out, 'overlap-%s.zip' % name), 'wb') as f:
            f.write(overlapping(inner_at, tail))
    first_local, first_record = stored_parts('first.bin', b'data whose last byte starts the next header: P')
    second_local, second_record = stored_parts('second.exe', b'second member\n')
    with open(os.path.join(out, 'overlap-one-byte.zip'), 'wb') as f:
        f.write(with_directory(first_local + second_local[1:],
                               [(first_record, 0), (second_record, len(first_local) - 1)]))
    shared_local, shared_record = stored_parts('a.exe', b'one header, two entries\n')
    with open(os.path.join(out, 'overlap-shared.zip'), 'wb') as f:
        f.write(with_directory(shared_local, [(shared_record, 0), (stored_parts('b.exe', b'one header, two entries\n')[1], 0)]))

    write_zip(os.path.join(out, 'empty.zip'), [])
    rng = random.Random(7)
    with open(os.path.join(out, 'notzip.bin'), 'wb') as f:
        f.write(bytes(rng.getrandbits(8) for _ in range(5000)))

    # Install archives.
    exe = 0o100755
    write_zip(os.path.join(out, 'install-setup.zip'), [
        ('setup/', b'', S, 0o040755),
        ('setup/readme.txt', b'read me\n', D),
        ('setup/FLASH.EXE', flasher, D, exe),
    ])
    write_zip(os.path.join(out, 'install-readme-tool.zip'), [
        ('readme.txt', b'read me first\n', D),
        ('tool.exe', flasher, D, exe),
    ])
    write_zip(os.path.join(out, 'install-tool-Exe.zip'), [('tool.Exe', flasher, D, exe)])
    write_zip(os.path.join(out, 'install-not-a-program.zip'), [('bad.exe', b'this is no program\n', D)])
    write_zip(os.path.join(out, 'install-mixed-separators.zip'), [
        ('bin\\x86/flash.exe', flasher, D, exe),
    ])
    # A read-only member (DOS read-only bit, Unix mode 0444), in two versions.
    for version in (1, 2):
        with zipfile.ZipFile(os.path.join(out, 'install-readonly-%d.zip' % version), 'w') as z:
            zi = info('ro.txt', S, 0o100444)
            zi.external_attr |= 0x01
            z.writestr(zi, b'version %d\n' % version)
    long_ok = 'a' * 100 + '/' + 'b' * 100 + '/' + 'c' * 53 + '.txt'   # 259 bytes
    write_zip(os.path.join(out, 'install-name-259.zip'), [(long_ok, b'fits\n', S), ('go.exe', flasher, D, exe)])
    unsafe = ['../evil.txt', '..\\evil.txt', 'a/../../evil.txt', 'a\\..\\..\\evil.txt', 'a/..\\../evil.txt',
              '/abs-evil.txt', '\\abs-evil.txt', 'C:evil.txt', 'C:\\evil.txt', 'C:/evil.txt',
              'sub/.../evil.txt', 'sub/.. /evil.txt', 'CON', 'sub/aux.txt',
              'd' * 130 + '/' + 'e' * 129,  # 260 bytes
              '']
    for i, name in enumerate(unsafe):
        # A harmless file first, so the failure comes part way through.
        members = [('first.txt', b'made before the bad name\n', S), (name, b'escaped\n', S),
                   ('tool.exe', flasher, D, exe)]
        with zipfile.ZipFile(os.path.join(out, 'unsafe-%02d.zip' % i), 'w') as z:
            for m in members:
                zi = info(m[0], m[2], *(m[3:]))
                zi.filename = m[0]  # exactly as given: zipfile would otherwise tidy it
                z.writestr(zi, m[1])
    with open(os.path.join(out, 'unsafe-names.txt'), 'w') as f:
        f.write('%d\n' % len(unsafe))

    # What a reader must deliver, as Python's zipfile reads it: one line per
    # member of each good archive, "archive<TAB>name<TAB>size<TAB>crc32".
    good = ['members.zip', 'tree.zip', 'streamed-infozip.zip', 'streamed-python.zip', 'piped-infozip.zip', 'stub.zip',
            'comment1007.zip', 'comment1008.zip', 'comment1009.zip', 'comment65513.zip',
            'install-setup.zip', 'install-name-259.zip']
    with open(os.path.join(out, 'manifest.txt'), 'w') as f:
        for name in good:
            with zipfile.ZipFile(os.path.join(out, name)) as z:
                for zi in z.infolist():
                    data = z.read(zi)
                    f.write('%s\t%s\t%d\t%08x\n' % (name, zi.filename, len(data), zlib.crc32(data)))


if __name__ == '__main__':
    main()
