#!/usr/bin/env python3
"""Packs the SDK zip from the two Windows builds (make dist).

    tools/sdk/pack.py SOURCE_DIR OUT_DIR   -> OUT_DIR/zentavo-<version>-sdk.zip

bin/<arch>/ holds the shipped binaries without their debug information,
lib/<arch>/ the import library (made by the architecture's dlltool from
exports/Zentavo.def, which is shipped too) as Zentavo.lib for MSVC and as
libZentavo.a for mingw. The archive is reproducible: its entries are sorted,
carry the commit's time (or 1980 outside a git checkout) and fixed
attributes, and every tool run is told to leave times and temporary names
out of what it writes.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

ARCHES = (("x86", "windows", "i686-w64-mingw32"), ("x64", "windows-x64", "x86_64-w64-mingw32"))
BINARIES = ("Zentavo.dll", "vortanet.dll", "onvif/vortanet.dll", "ZentavoHost.exe")
# The parts of README.md a host developer needs; the rest is about this repository.
README_SECTIONS = ("For host developers", "The ONVIF build of vortanet.dll", "The sample host")


def version(root):
    """The one version number, as CMake has it from project(VERSION)."""
    found = set()
    for _, preset, _ in ARCHES:
        cache = open(os.path.join(root, "build", preset, "CMakeCache.txt")).read()
        found |= set(re.findall(r"^CMAKE_PROJECT_VERSION:STATIC=(.+)$", cache, re.M))
    if len(found) != 1:
        sys.exit(f"pack: the two builds disagree on the version (or have none): {found}")
    return found.pop()


def commit_time(root):
    try:
        out = subprocess.run(["git", "-C", root, "log", "-1", "--format=%ct"], capture_output=True,
                             text=True, check=True).stdout.strip()
        t = time.gmtime(int(out))
        return max((t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec), (1980, 1, 1, 0, 0, 0))
    except (OSError, subprocess.CalledProcessError, ValueError):
        return (1980, 1, 1, 0, 0, 0)


def host_readme(root, ver):
    text = open(os.path.join(root, "README.md")).read()
    parts = re.split(r"^(?=## )", text, flags=re.M)
    wanted = [p for p in parts if any(p.startswith("## " + s + "\n") for s in README_SECTIONS)]
    if len(wanted) != len(README_SECTIONS):
        sys.exit("pack: README.md lacks one of the sections " + ", ".join(README_SECTIONS))
    body = "".join(wanted)
    body = "\n".join(line for line in body.splitlines() if not line.startswith("![")) + "\n"
    head = f"""# Zentavo SDK {ver}

Zentavo is a camera-control module for Windows host applications:
`Zentavo.dll`, twelve flat cdecl exports, in a 32-bit and a 64-bit build.

```
bin/x86/   Zentavo.dll  vortanet.dll  onvif/vortanet.dll  ZentavoHost.exe   (32-bit)
bin/x64/   the same, 64-bit
include/   zentavo.h
lib/x86/   Zentavo.lib (MSVC)  libZentavo.a (mingw)  Zentavo.def
lib/x64/   the same, 64-bit
examples/  C#, Python and Delphi declarations
CHANGES.md
```

Ship the `bin/` files of your application's architecture in its folder. Where
the text below names the build folders `build/windows/bin/` and
`build/windows-x64/bin/`, this package has `bin/x86/` and `bin/x64/`; the
sources it names (`host/` for the sample host) are in the repository.

"""
    return head + body


def run(*cmd):
    subprocess.run(cmd, check=True)


def stage(root, ver, out):
    for arch, preset, tools in ARCHES:
        built = os.path.join(root, "build", preset, "bin")
        for name in BINARIES:
            dst = os.path.join(out, "bin", arch, name)
            os.makedirs(os.path.dirname(dst), exist_ok=True)
            run(f"{tools}-strip", "--strip-all", "-o", dst, os.path.join(built, name))
        lib = os.path.join(out, "lib", arch)
        os.makedirs(lib, exist_ok=True)
        shutil.copyfile(os.path.join(root, "exports", "Zentavo.def"), os.path.join(lib, "Zentavo.def"))
        implib = os.path.join(lib, "Zentavo.lib")
        with tempfile.TemporaryDirectory() as tmp:
            # The temporary prefix names the archive's members (by default it
            # holds the process id), and the output's name a symbol in it: both
            # fixed.
            subprocess.run([f"{tools}-dlltool", "--deterministic-libraries", "-t", "zentavo",
                            "-d", os.path.join(lib, "Zentavo.def"), "-D", "Zentavo.dll",
                            "-l", "Zentavo.lib"], check=True, cwd=tmp)
            shutil.move(os.path.join(tmp, "Zentavo.lib"), implib)
        if arch == "x86":
            # Visual Studio links 32-bit programs with /SAFESEH, which takes
            # only objects marked as having no unregistered exception handlers
            # (@feat.00 bit 0); dlltool does not mark its import stubs.
            run(f"{tools}-objcopy", "-D", "--add-symbol", "@feat.00=1,local", implib)
        # The same import library serves mingw under its usual name.
        shutil.copyfile(implib, os.path.join(lib, "libZentavo.a"))
    os.makedirs(os.path.join(out, "include"))
    shutil.copyfile(os.path.join(root, "include", "zentavo.h"), os.path.join(out, "include", "zentavo.h"))
    examples = os.path.join(root, "examples")
    for top, dirs, files in os.walk(examples):
        dirs[:] = [d for d in dirs if d != "__pycache__"]
        for f in files:
            src = os.path.join(top, f)
            dst = os.path.join(out, "examples", os.path.relpath(src, examples))
            os.makedirs(os.path.dirname(dst), exist_ok=True)
            shutil.copyfile(src, dst)
    with open(os.path.join(out, "README.md"), "w") as f:
        f.write(host_readme(root, ver))
    for name in ("CHANGES.md", "LICENSE"):
        if os.path.exists(os.path.join(root, name)):
            shutil.copyfile(os.path.join(root, name), os.path.join(out, name))


def write_zip(staged, path, when):
    names = sorted(os.path.relpath(os.path.join(top, f), staged).replace(os.sep, "/")
                   for top, _, files in os.walk(staged) for f in files)
    with zipfile.ZipFile(path, "w") as z:
        for name in names:
            info = zipfile.ZipInfo(name, date_time=when)
            info.create_system = 3
            info.external_attr = 0o644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(staged, name), "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)


def main():
    root, out_dir = (os.path.abspath(a) for a in sys.argv[1:3])
    # strip writes the time into each PE header unless told a time: the one
    # the linker leaves there (--no-insert-timestamp), none.
    os.environ["SOURCE_DATE_EPOCH"] = "0"
    ver = version(root)
    os.makedirs(out_dir, exist_ok=True)
    path = os.path.join(out_dir, f"zentavo-{ver}-sdk.zip")
    with tempfile.TemporaryDirectory() as staged:
        stage(root, ver, staged)
        write_zip(staged, path + ".part", commit_time(root))
    os.replace(path + ".part", path)
    print(path)


if __name__ == "__main__":
    main()
