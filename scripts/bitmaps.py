"""The little 24-bit BMP writer behind the resource pictures' scripts
(controls/*/resources/*.py, dialogs/resources/*.py): each draws its pictures
as rows of (r, g, b) and hands them here with the lines of its .rc file."""
import os
import struct


def bmp(rows):
    w, h = len(rows[0]), len(rows)
    pad = (4 - (w * 3) % 4) % 4
    data = b""
    for row in reversed(rows):
        data += b"".join(bytes((b, g, r)) for r, g, b in row) + b"\0" * pad
    head = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return head + info + data


def write_resources(here, pictures, rc_name, header):
    """Writes NAME.lower().bmp for every picture beside the script and the
    resource script rc_name naming them by their path in the source tree."""
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = os.path.relpath(here, root).replace(os.sep, "/")
    rc = list(header)
    for name in sorted(pictures):
        file = name.lower() + ".bmp"
        open(os.path.join(here, file), "wb").write(bmp(pictures[name]))
        rc.append('%s BITMAP "%s/%s"' % (name, folder, file))
    open(os.path.join(here, rc_name), "w").write("\n".join(rc) + "\n")
