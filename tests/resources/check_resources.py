#!/usr/bin/env python3
"""Reads the resources of VOLKIT.exe from the PE file itself and checks them: dialogs 102 (the
hidden main dialog) and 100 (the about box) with their captions, sizes, styles, font and
controls, string 101, icon 128 with its 32x32 and 16x16 images in 16 colours, the manifest
that requires administrator rights and has no compatibility section, and the carried tools of
type "BINARY": the two batch texts byte for byte, RAIDCfg32 and one program per rstcli build.

    check_resources.py VOLKIT.exe
"""
import struct
import sys
import xml.etree.ElementTree as ElementTree

RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_MANIFEST = 3, 5, 6, 14, 24
ZH_TW = 0x0404

WS_POPUP, WS_VISIBLE, WS_CAPTION, WS_SYSMENU = 0x80000000, 0x10000000, 0x00C00000, 0x00080000
DS_MODALFRAME, DS_SETFONT = 0x80, 0x40
WS_EX_APPWINDOW = 0x40000
DIALOG_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT
BS_DEFPUSHBUTTON, SS_ICON, SS_NOPREFIX = 0x1, 0x3, 0x80
BUTTON, STATIC = 0x80, 0x82
FONT = (9, "新細明體")

# Dialog id: caption, size, style, extended style, controls. A control: id, class, title (text
# or resource ordinal), position and size (None where the template leaves the size to the
# control), style bits that must be set, whether it is visible.
DIALOGS = {
    102: ("VKT", (320, 200), DIALOG_STYLE, WS_EX_APPWINDOW, [
        (1, BUTTON, "確定", (260, 7, 50, 14), BS_DEFPUSHBUTTON, False),
        (2, BUTTON, "取消", (260, 23, 50, 14), 0, False),
        (1000, BUTTON, "Button1", (250, 55, 42, 16), 0, False),
        (1001, BUTTON, "StopIRST", (45, 16, 50, 14), 0, False),
    ]),
    100: ("關於 VOLKIT", (235, 55), DIALOG_STYLE, None, [
        (0xFFFF, STATIC, 128, (11, 17, None, None), SS_ICON, True),
        (0xFFFF, STATIC, "VOLKIT Version 1.0", (40, 10, 119, 8), SS_NOPREFIX, True),
        (1, BUTTON, "確定", (178, 7, 50, 14), BS_DEFPUSHBUTTON, True),
    ]),
}
STRINGS = {101: "關於 VOLKIT(&A)..."}
# The carried tools: batch texts exactly, then RAIDCfg32 and the rstcli build of each release.
BINARY_TEXTS = {130: b"raidcfg32.exe /I >Kraid.txt\r\n", 131: b"rstcli.exe -I >Kcli.txt\r\n\r\n"}
RAIDCFG_ID = 132
RSTCLI_IDS = [133, 140, 142, 143, 145, 146, 147, 148]
ICON_ID, ICON_IMAGES = 128, {(32, 32), (16, 16)}


class Reader:
    def __init__(self, data, offset=0):
        self.data, self.pos = data, offset

    def take(self, fmt):
        size = struct.calcsize(fmt)
        if self.pos + size > len(self.data):
            raise ValueError("resource data ends early")
        values = struct.unpack_from(fmt, self.data, self.pos)
        self.pos += size
        return values if len(values) > 1 else values[0]

    def text(self):
        chars = []
        while True:
            c = self.take("<H")
            if c == 0:
                return "".join(chars)
            chars.append(chr(c))

    def text_or_ordinal(self):
        first = self.take("<H")
        if first == 0:
            return ""
        if first == 0xFFFF:
            return self.take("<H")
        self.pos -= 2
        return self.text()

    def align(self, to):
        self.pos = (self.pos + to - 1) // to * to


def resources(pe):
    """{(type, id, language): bytes} from the PE's resource directory."""
    if pe[:2] != b"MZ":
        raise ValueError("not an MZ file")
    header = struct.unpack_from("<I", pe, 0x3C)[0]
    if pe[header:header + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    sections_count, optional_size = struct.unpack_from("<H12xH", pe, header + 6)
    optional = header + 24
    if struct.unpack_from("<H", pe, optional)[0] != 0x10B:
        raise ValueError("not PE32")
    resource_rva, _ = struct.unpack_from("<II", pe, optional + 96 + 2 * 8)
    sections = []
    for i in range(sections_count):
        s = optional + optional_size + 40 * i
        vsize, vaddr, raw_size, raw_ptr = struct.unpack_from("<IIII", pe, s + 8)
        sections.append((vaddr, max(vsize, raw_size), raw_ptr))

    def offset_of(rva):
        for vaddr, size, raw in sections:
            if vaddr <= rva < vaddr + size:
                return raw + rva - vaddr
        raise ValueError("address outside every section")

    base = offset_of(resource_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", pe, base + directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", pe, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                at = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", pe, at)[0]
                name = pe[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            yield name, target

    found = {}
    for rtype, types in entries(0):
        for rid, ids in entries(types & 0x7FFFFFFF):
            for lang, leaf in entries(ids & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", pe, base + leaf)
                start = offset_of(rva)
                found[(rtype, rid, lang)] = pe[start:start + size]
    return found


def find(res, rtype, rid):
    """The languages and data of one resource."""
    return {lang: data for (t, i, lang), data in res.items() if t == rtype and i == rid}


def parse_dialog(data):
    r = Reader(data)
    version, signature = r.take("<HH")
    if (version, signature) != (1, 0xFFFF):
        raise ValueError("not an extended dialog template")
    _, ex_style, style, count, _, _, cx, cy = r.take("<IIIHhhhh")
    r.text_or_ordinal()  # menu
    r.text_or_ordinal()  # class
    caption = r.text()
    font = None
    if style & DS_SETFONT:
        size, _, _, _ = r.take("<HHBB")
        font = (size, r.text())
    controls = []
    for _ in range(count):
        r.align(4)
        _, c_ex, c_style, x, y, w, h, cid = r.take("<IIIhhhhI")
        cls = r.text_or_ordinal()
        title = r.text_or_ordinal()
        extra = r.take("<H")
        r.pos += extra
        controls.append((cid & 0xFFFF, cls, title, (x, y, w, h), c_style))
    return caption, (cx, cy), style, ex_style, font, controls


def check(path):
    problems = []
    res = resources(open(path, "rb").read())

    for did, (caption, size, style, ex_style, controls) in DIALOGS.items():
        found = find(res, RT_DIALOG, did)
        if set(found) != {ZH_TW}:
            problems.append(f"dialog {did}: languages {sorted(found)}, expected [{ZH_TW}]")
            continue
        got = parse_dialog(found[ZH_TW])
        g_caption, g_size, g_style, g_ex, g_font, g_controls = got
        if g_caption != caption:
            problems.append(f"dialog {did}: caption {g_caption!r}, expected {caption!r}")
        if g_size != size:
            problems.append(f"dialog {did}: size {g_size}, expected {size}")
        if g_style != style:
            problems.append(f"dialog {did}: style {g_style:#x}, expected {style:#x}")
        if ex_style is not None and g_ex != ex_style:
            problems.append(f"dialog {did}: extended style {g_ex:#x}, expected {ex_style:#x}")
        if g_font != FONT:
            problems.append(f"dialog {did}: font {g_font}, expected {FONT}")
        if len(g_controls) != len(controls):
            problems.append(f"dialog {did}: {len(g_controls)} controls, expected {len(controls)}")
        for want, have in zip(controls, g_controls):
            cid, cls, title, rect, bits, visible = want
            h_id, h_cls, h_title, h_rect, h_style = have
            where = f"dialog {did} control {title!r}"
            if (h_id, h_cls, h_title) != (cid, cls, title):
                problems.append(f"{where}: got id {h_id}, class {h_cls}, title {h_title!r}")
            if any(w is not None and w != h for w, h in zip(rect, h_rect)):
                problems.append(f"{where}: rectangle {h_rect}, expected {rect}")
            if (h_style & 0xF) != (bits & 0xF) or (h_style & bits & ~0xF) != (bits & ~0xF):
                problems.append(f"{where}: style {h_style:#x} lacks {bits:#x}")
            if bool(h_style & WS_VISIBLE) != visible:
                problems.append(f"{where}: visible is {bool(h_style & WS_VISIBLE)}")
        if g_style & WS_VISIBLE:
            problems.append(f"dialog {did}: the dialog itself is visible")

    for sid, text in STRINGS.items():
        found = find(res, RT_STRING, sid // 16 + 1)
        if set(found) != {ZH_TW}:
            problems.append(f"string {sid}: languages {sorted(found)}, expected [{ZH_TW}]")
            continue
        r = Reader(found[ZH_TW])
        got = None
        for index in range(16):
            length = r.take("<H")
            value = "".join(chr(r.take("<H")) for _ in range(length))
            if index == sid % 16:
                got = value
        if got != text:
            problems.append(f"string {sid}: {got!r}, expected {text!r}")

    found = find(res, RT_GROUP_ICON, ICON_ID)
    if set(found) != {ZH_TW}:
        problems.append(f"icon {ICON_ID}: languages {sorted(found)}, expected [{ZH_TW}]")
    else:
        r = Reader(found[ZH_TW])
        _, kind, count = r.take("<HHH")
        images = set()
        for _ in range(count):
            w, h, colours, _, planes, bits, _, image_id = r.take("<BBBBHHIH")
            images.add((w or 256, h or 256))
            if (colours, bits) != (16, 4):
                problems.append(f"icon {ICON_ID}: image {w}x{h} has {colours} colours, {bits} bits")
            if not find(res, RT_ICON, image_id):
                problems.append(f"icon {ICON_ID}: image {image_id} is missing")
        if kind != 1 or images != ICON_IMAGES:
            problems.append(f"icon {ICON_ID}: images {sorted(images)}, expected {ICON_IMAGES}")

    manifests = find(res, RT_MANIFEST, 1)
    if len(manifests) != 1:
        problems.append(f"manifest 1: {len(manifests)} copies, expected one")
    else:
        root = ElementTree.fromstring(next(iter(manifests.values())))
        levels = [e.get("level") for e in root.iter() if e.tag.endswith("requestedExecutionLevel")]
        if levels != ["requireAdministrator"]:
            problems.append(f"manifest: execution levels {levels}, expected requireAdministrator")
        if any(e.tag.split("}")[-1].lower() == "compatibility" for e in root.iter()):
            problems.append("manifest: has a compatibility section")
    others = [k for k in res if k[0] == RT_MANIFEST and k[1] != 1]
    if others:
        problems.append(f"manifest: further manifests {others}")

    binary = {}
    for (rtype, rid, _), data in res.items():
        if rtype == "BINARY":
            binary.setdefault(rid, []).append(data)
    expected_ids = sorted(list(BINARY_TEXTS) + [RAIDCFG_ID] + RSTCLI_IDS)
    if sorted(binary) != expected_ids:
        problems.append(f"BINARY: ids {sorted(binary)}, expected {expected_ids}")
    for rid, copies in sorted(binary.items()):
        if len(copies) != 1:
            problems.append(f"BINARY {rid}: {len(copies)} languages, expected one")
    for rid, text in BINARY_TEXTS.items():
        if rid in binary and binary[rid][0] != text:
            problems.append(f"BINARY {rid}: {binary[rid][0]!r}, expected {text!r}")
    if RAIDCFG_ID in binary and not binary[RAIDCFG_ID][0]:
        problems.append(f"BINARY {RAIDCFG_ID}: empty")
    for rid in RSTCLI_IDS:
        if rid in binary and binary[rid][0][:2] != b"MZ":
            problems.append(f"BINARY {rid}: not a program")
    return problems


def main():
    problems = check(sys.argv[1])
    for problem in problems:
        print("FAIL:", problem)
    if not problems:
        print("resources of", sys.argv[1], "as expected")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
