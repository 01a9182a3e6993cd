#!/usr/bin/python3
"""Makes a package's bytes depend on the files it holds alone.

    canonical_archive.py ARCHIVE FOLDER EPOCH

A .tar.gz or a .zip is written anew with FOLDER's name and everything below it. The entries
come in name order whatever order the file system lists them in, with the time EPOCH, owner
root and modes 755 (folders and programs) or 644 (other files) whatever the umask and the user
who built them, and no other metadata (no extra fields, no name or time in the gzip header).

A .deb keeps its members, which CPack writes so already; only the headers of the ar archive
around them are set the same way: time EPOCH, owner root, mode 644.
"""
import gzip
import os
import sys
import tarfile
import time
import zipfile


def entries(folder):
    """(archive name, path, is folder) of the folder and everything below it, in name order."""
    base = os.path.dirname(folder)
    found = []
    for root, dirs, files in os.walk(folder):
        for name in dirs + files + ([] if root != folder else [""]):
            path = os.path.join(root, name) if name else root
            if os.path.islink(path):
                sys.exit(f"canonical_archive: {path} is a link; the packages hold none")
            found.append((os.path.relpath(path, base).replace(os.sep, "/"), path, os.path.isdir(path)))
    return sorted(found)


def mode_of(path, is_folder):
    return 0o755 if is_folder or os.stat(path).st_mode & 0o111 else 0o644


def write_tar(archive, items, epoch):
    with open(archive, "wb") as raw, \
         gzip.GzipFile(filename="", mode="wb", fileobj=raw, compresslevel=9, mtime=epoch) as packed, \
         tarfile.open(fileobj=packed, mode="w", format=tarfile.GNU_FORMAT) as tar:
        for name, path, is_folder in items:
            info = tarfile.TarInfo(name)
            info.mtime, info.mode = epoch, mode_of(path, is_folder)
            info.uid = info.gid = 0
            info.uname = info.gname = "root"
            if is_folder:
                info.type = tarfile.DIRTYPE
                tar.addfile(info)
            else:
                info.size = os.path.getsize(path)
                with open(path, "rb") as data:
                    tar.addfile(info, data)


def write_zip(archive, items, epoch):
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # a zip's times start in 1980
    with zipfile.ZipFile(archive, "w") as out:
        for name, path, is_folder in items:
            info = zipfile.ZipInfo(name + "/" if is_folder else name, stamp)
            info.create_system = 3  # Unix, so that the modes below count
            info.external_attr = ((0o040000 if is_folder else 0o100000) | mode_of(path, is_folder)) << 16
            if is_folder:
                info.external_attr |= 0x10  # the DOS folder flag
                out.writestr(info, b"")
            else:
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(path, "rb") as data:
                    out.writestr(info, data.read(), compresslevel=9)


def fix_deb(archive, epoch):
    with open(archive, "r+b") as deb:
        data = bytearray(deb.read())
        if data[:8] != b"!<arch>\n":
            sys.exit(f"canonical_archive: {archive} is not an ar archive")
        at = 8
        while at < len(data):
            # name 16, time 12, owner 6, group 6, mode 8, size 10, then "`\n"
            header = data[at:at + 60]
            size = int(header[48:58])
            data[at + 16:at + 48] = b"%-12d%-6d%-6d%-8s" % (epoch, 0, 0, b"100644")
            at += 60 + size + size % 2
        deb.seek(0)
        deb.write(data)


def main():
    archive, folder, epoch = sys.argv[1], os.path.abspath(sys.argv[2]), int(sys.argv[3])
    if archive.endswith(".tar.gz"):
        write_tar(archive, entries(folder), epoch)
    elif archive.endswith(".zip"):
        write_zip(archive, entries(folder), epoch)
    elif archive.endswith(".deb"):
        fix_deb(archive, epoch)
    else:
        sys.exit(f"canonical_archive: {archive} is not a .tar.gz, a .zip or a .deb")


if __name__ == "__main__":
    main()
