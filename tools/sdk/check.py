#!/usr/bin/env python3
"""Checks an SDK zip as a host developer would meet it (make dist runs it).

    tools/sdk/check.py ZIP VERSION WORK_DIR

- The layout: bin/, include/, lib/ for both architectures, examples/,
  README.md, CHANGES.md; nothing else.
- Each binary is of its folder's machine, carries a VERSIONINFO of VERSION
  with its own original file name, and needs no runtime DLL beside it.
- Zentavo.dll exports the header's twelve names at ordinals 1..12 and
  imports vortanet.dll by ordinal only; both vortanet.dll builds export every
  ordinal it imports.
- The import libraries link: a program calling all twelve exports, built
  with an MSVC-style compiler and linker (clang for the *-windows-msvc
  targets, lld-link; 32-bit with /SAFESEH, as Visual Studio links) against
  Zentavo.lib, and with mingw against libZentavo.a, imports the twelve
  undecorated names from Zentavo.dll.
"""
import os
import re
import subprocess
import sys
import zipfile

zip_path, ver, work = sys.argv[1:4]
problems = []
ARCHES = {"x86": ("i686-w64-mingw32", "pei-i386", "i686-pc-windows-msvc", "x86"),
          "x64": ("x86_64-w64-mingw32", "pei-x86-64", "x86_64-pc-windows-msvc", "x64")}
BINARIES = ("Zentavo.dll", "vortanet.dll", "onvif/vortanet.dll", "ZentavoHost.exe")
RUNTIME_DLLS = ("libstdc++", "libgcc", "libwinpthread")


def out(*cmd, cwd=None):
    return subprocess.run(cmd, check=True, capture_output=True, text=True, cwd=cwd).stdout


def exports(dump):
    """{ordinal: name} from objdump -p."""
    base = int(re.search(r"Ordinal Base (\d+)", dump).group(1))
    table = dump.split("[Ordinal/Name Pointer] Table")[1].split("\n\n")[0]
    return {int(i) + base: n for i, n in re.findall(r"\[\s*(\d+)\] (\S+)", table)}


def imports(dump):
    """{dll name (lower case): [ordinal or name]} from objdump -p."""
    found = {}
    for block in dump.split("DLL Name: ")[1:]:
        dll, _, rest = block.partition("\n")
        entries = found.setdefault(dll.strip().lower(), [])
        for line in rest.split("\n\n")[0].splitlines()[1:]:
            fields = line.split()
            if len(fields) >= 3 and fields[2] == "<none>":
                entries.append(int(fields[0], 16) & 0xFFFF)  # the thunk: high bit and ordinal
            elif len(fields) >= 3:
                entries.append(fields[2])
    return found


z = zipfile.ZipFile(zip_path)
z.extractall(work)
names = set(z.namelist())
header = open(os.path.join(work, "include", "zentavo.h")).read()
dvr = sorted(set(re.findall(r"^int __cdecl (DVR_\w+)\(", header, re.M)))
expected = {f"bin/{a}/{b}" for a in ARCHES for b in BINARIES} | \
           {f"lib/{a}/{f}" for a in ARCHES for f in ("Zentavo.lib", "libZentavo.a", "Zentavo.def")} | \
           {"include/zentavo.h", "README.md", "CHANGES.md"}
for n in sorted(expected - names):
    problems.append(f"missing {n}")
for n in sorted(names - expected):
    if not n.startswith("examples/") and n != "LICENSE":
        problems.append(f"unexpected {n}")
for lang in ("examples/python/zentavo.py", "examples/csharp/Zentavo.cs", "examples/delphi/Zentavo.pas"):
    if lang not in names:
        problems.append(f"missing {lang}")
if len(dvr) != 12:
    problems.append(f"the header declares {len(dvr)} exports")

for arch, (tools, fmt, msvc, machine) in ARCHES.items():
    dumps = {}
    for b in BINARIES:
        path = os.path.join(work, "bin", arch, b)
        if not os.path.exists(path):
            continue
        if f"file format {fmt}" not in out(f"{tools}-objdump", "-f", path):
            problems.append(f"bin/{arch}/{b} is not {fmt}")
        dumps[b] = dump = out(f"{tools}-objdump", "-p", path)
        for dll in imports(dump):
            if dll.startswith(RUNTIME_DLLS):
                problems.append(f"bin/{arch}/{b} needs {dll}")
        rc = out(f"{tools}-windres", "-i", path, "-J", "coff", "-O", "rc")
        major, minor, patch = ver.split(".")
        want = [f"FILEVERSION {major}, {minor}, {patch}, 0", f'VALUE "FileVersion", "{ver}"',
                f'VALUE "ProductVersion", "{ver}"', f'VALUE "OriginalFilename", "{os.path.basename(b)}"',
                'VALUE "CompanyName", "Zentavo"']
        for w in want:
            if w not in rc:
                problems.append(f"bin/{arch}/{b}: its version information lacks {w}")
    if "Zentavo.dll" in dumps:
        exp = exports(dumps["Zentavo.dll"])
        if exp != {i + 1: n for i, n in enumerate(dvr)}:
            problems.append(f"bin/{arch}/Zentavo.dll exports {exp}")
        imp = imports(dumps["Zentavo.dll"]).get("vortanet.dll", [])
        if not imp or not all(isinstance(e, int) for e in imp):
            problems.append(f"bin/{arch}/Zentavo.dll imports vortanet.dll not by ordinal only: {imp}")
        for lib in ("vortanet.dll", "onvif/vortanet.dll"):
            if lib in dumps:
                missing = set(e for e in imp if isinstance(e, int)) - set(exports(dumps[lib]))
                if missing:
                    problems.append(f"bin/{arch}/{lib} lacks the ordinals {sorted(missing)}")

    # A host program calling every export, linked against each import library.
    src = os.path.join(work, f"host-{arch}.c")
    with open(src, "w") as f:
        f.write("typedef struct CAMERA_INFO CAMERA_INFO;\n")
        for n in dvr:
            f.write(f"int __cdecl {n}();\n")
        f.write("int __cdecl zv_entry(void) { int r = 0;\n")
        for n in dvr:
            f.write(f"  r += {n}(0, 0, 0, 0);\n")
        f.write("  return r; }\n")
    lib = os.path.join(work, "lib", arch)
    links = {
        "MSVC (Zentavo.lib)": [
            ["clang", f"--target={msvc}", "-ffreestanding", "-fno-builtin", "-c", src, "-o", src + ".obj"],
            ["lld-link", "/nologo", "/nodefaultlib", "/entry:zv_entry", "/subsystem:console", f"/machine:{machine}",
             f"/out:{src}.msvc.exe", src + ".obj", os.path.join(lib, "Zentavo.lib")]
            + (["/safeseh"] if arch == "x86" else [])],
        "mingw (libZentavo.a)": [
            [f"{tools}-gcc", "-nostdlib", "-e", "zv_entry" if arch == "x64" else "_zv_entry", src,
             os.path.join(lib, "libZentavo.a"), "-o", src + ".mingw.exe"]],
    }
    for what, steps in links.items():
        try:
            for step in steps:
                subprocess.run(step, check=True, capture_output=True, text=True)
        except subprocess.CalledProcessError as e:
            problems.append(f"lib/{arch}: linking with {what} failed: {e.stderr.strip()[:400]}")
            continue
        exe = steps[-1][-1] if what.startswith("mingw") else f"{src}.msvc.exe"
        got = imports(out(f"{tools}-objdump", "-p", exe)).get("zentavo.dll", [])
        if sorted(map(str, got)) != dvr:
            problems.append(f"lib/{arch}: a program linked with {what} imports {got} from Zentavo.dll")

for p in problems:
    print("sdk:", p)
if problems:
    print("sdk: FAILED")
    sys.exit(1)
print(f"sdk: {len(names)} files; both architectures' binaries, versions, exports, imports and "
      f"import libraries (MSVC and mingw links) are right")
