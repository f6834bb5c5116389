#!/usr/bin/env python3
"""pack-skin.py SKIN_DIR OUT_ZIP: packs the skin into the program's zip resource.

Members, all deflated but the directory entry: MessageBox.xml, img/, every
img/*.png in name order, MainWindow.xml. Times are fixed so that the same skin
always gives the same bytes.
"""
import os
import sys
import zipfile

STAMP = (2024, 1, 1, 0, 0, 0)


def add_file(archive, path, name):
    info = zipfile.ZipInfo(name, STAMP)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.external_attr = 0o100644 << 16
    with open(path, "rb") as f:
        archive.writestr(info, f.read(), compresslevel=9)


def main():
    skin, out = sys.argv[1], sys.argv[2]
    tmp = out + ".tmp"
    with zipfile.ZipFile(tmp, "w") as archive:
        add_file(archive, os.path.join(skin, "MessageBox.xml"), "MessageBox.xml")
        folder = zipfile.ZipInfo("img/", STAMP)
        folder.external_attr = (0o40755 << 16) | 0x10
        archive.writestr(folder, b"")
        for name in sorted(os.listdir(os.path.join(skin, "img"))):
            if name.endswith(".png"):
                add_file(archive, os.path.join(skin, "img", name), "img/" + name)
        add_file(archive, os.path.join(skin, "MainWindow.xml"), "MainWindow.xml")
    os.replace(tmp, out)


if __name__ == "__main__":
    main()
