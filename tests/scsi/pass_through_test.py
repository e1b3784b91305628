#!/usr/bin/python3
"""pass_through_test.py BUILD PROGRAM: the shipped program, with Wine's own Windows version, lists simulated drives
on letters through SCSI pass-through (tools/sgio-sim), in BUILD/sgio-prefix (letters in the tree's prefix would
change what other tests find), whose wineserver ends 3 s after the run (tools/wine/wine-run.sh starts it so).
The drives file's two devices get D: and E: (tools/sgio-sim/install-sgio-sim.sh)."""
import os
import shutil
import subprocess
import sys
import tempfile

build, program = sys.argv[1:3]
repo = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
install, prefix = repo + "/tools/sgio-sim/install-sgio-sim.sh", os.path.abspath(build) + "/sgio-prefix"
scratch = tempfile.mkdtemp(prefix="pass-through.", dir=build)
z = "Z:" + scratch.replace("/", "\\")  # the scratch folder on Wine's drive Z:
os.mkdir(scratch + "/empty")  # the source: no catalogue anywhere, the drives are what counts
with open(scratch + "/drives.txt", "w") as out:
    out.write("0 0 0 5 |ACME|CD-R 52X|2.00|1999|\n0 1 0 5 |VORN|QX-1234A|1.20|03/0101|disc\n"
              "0 2 0 5 |VORN|QX-5000C|1.00|010101|never\n")  # waited for once, named, listed without texts
subprocess.run([install, build, prefix, scratch + "/drives.txt"], check=True, timeout=600)
env = dict(os.environ, WINEPREFIX=prefix, VORN_SGIO_LOG=scratch + "/sgio.log")
code = subprocess.run([repo + "/tools/wine/wine-run.sh", "--build", build, "--sgio-sim", program, "/report",
                       z + "\\report.txt", "/source", z + "\\empty"], env=env, timeout=300).returncode
seen = "".join(open(path).read() for path in (scratch + "/report.txt", scratch + "/sgio.log") if os.path.exists(path))
missing = [line for line in (
    "  D:  vendor ACME  product CD-R 52X  revision 2.00  date code 1999  another maker's drive\n",
    "  E:  vendor VORN  product QX-1234A  revision 1.20  date code 030101  the maker's drive\n",
    "exec 0:0:0 cdb 0x12 -> 0x00\n", "exec 0:1:0 cdb 0x12 -> 0x00\n") if line not in seen]
if seen.count("exec 0:2:0 cdb 0x12 -> timed out\n") != 1:
    missing.append("F: waited for once")
if code != 2 or missing:  # 2: no catalogue; 1 would be added had the scan not run
    sys.exit("exit code %d, missing %s\n--- the report, then the stand-in's log\n%s" % (code, missing, seen))
shutil.rmtree(scratch)
