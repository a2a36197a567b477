#!/usr/bin/env python3
"""Checks the compiled resources of Zentavo.dll against the panels' layout.

    python3 tools/artgen/rescheck.py FILE.res
    python3 tools/artgen/rescheck.py --windres WINDRES res/zentavo.rc

Reads a Win32 .res file (compiling the .rc first with the given windres) and
checks what the resource compiler actually produced: both dialog templates
control by control (id, class, text, rectangle, visibility, key styles), the
font and its Chinese face name, the two list menus, every bitmap's presence,
depth and size, and the joystick cursor. Exit status 1 on any mismatch.
"""

import os
import struct
import subprocess
import sys
import tempfile

RT_CURSOR, RT_BITMAP, RT_MENU, RT_DIALOG, RT_GROUP_CURSOR = 1, 2, 4, 5, 12

WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_DLGFRAME = 0x00C00000, 0x00800000, 0x00400000
WS_VSCROLL, WS_TABSTOP = 0x00200000, 0x00010000
DS_SETFONT = 0x40
WS_EX_TOOLWINDOW = 0x80
BS_TYPEMASK, BS_PUSHBUTTON, BS_MULTILINE = 0xF, 0x0, 0x2000
SS_TYPEMASK, SS_BLACKFRAME, SS_BITMAP, SS_LEFT = 0x1F, 0x7, 0xE, 0x0
CBS_DROPDOWNLIST = 0x3
ES_AUTOHSCROLL = 0x80
LVS_REPORT, LVS_SINGLESEL, LVS_SHOWSELALWAYS = 0x1, 0x4, 0x8
TBS_VERT, TBS_LEFT, TBS_NOTICKS = 0x2, 0x4, 0x10

BUTTON, EDIT, STATIC, COMBO = 0x80, 0x81, 0x82, 0x85
LISTVIEW, TRACKBAR = 'SysListView32', 'msctls_trackbar32'

# (id, class, text, (x, y, cx, cy), visible, style bits that must be set)
DOME = [
    (6061, COMBO, '', (11, 8, 77, 76), True, CBS_DROPDOWNLIST | WS_VSCROLL),
    (6052, BUTTON, 'u', (48, 42, 12, 12), True, 0),
    (6053, BUTTON, 'd', (47, 108, 12, 12), True, 0),
    (6054, BUTTON, 'l', (17, 72, 12, 12), True, 0),
    (6056, BUTTON, 'r', (83, 70, 12, 12), True, 0),
    (6011, BUTTON, '更多命令', (6, 37, 12, 12), False, BS_MULTILINE),
    (6078, BUTTON, '>>', (92, 37, 12, 12), False, 0),
    (6013, BUTTON, 'il', (32, 133, 12, 12), True, 0),
    (6015, BUTTON, 'is', (72, 133, 12, 12), True, 0),
    (6022, BUTTON, 'ai', (88, 133, 12, 12), True, 0),
    (6063, BUTTON, 'fn', (32, 146, 12, 12), True, 0),
    (6064, BUTTON, 'ff', (72, 146, 12, 12), True, 0),
    (6020, BUTTON, 'af', (88, 146, 12, 12), True, 0),
    (6065, BUTTON, 'zi', (32, 159, 12, 12), True, 0),
    (6010, BUTTON, 'zo', (72, 159, 12, 12), True, 0),
    (6017, BUTTON, 'ap', (88, 159, 12, 12), True, 0),
    (6066, BUTTON, 'sd', (32, 172, 12, 12), True, 0),
    (6067, BUTTON, 'su', (72, 172, 12, 12), True, 0),
    (6019, BUTTON, 'as', (88, 172, 12, 12), True, 0),
    (6060, STATIC, '', (29, 55, 52, 52), False, SS_BLACKFRAME),
    (6018, BUTTON, 'Refresh', (142, 8, 30, 11), True, 0),
    (6026, BUTTON, 'Position', (178, 8, 30, 11), True, 0),
    (6027, BUTTON, 'Serial', (213, 8, 30, 11), True, 0),
    (6024, LISTVIEW, 'List1', (113, 23, 165, 84), True,
     LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER),
    (6025, LISTVIEW, 'List1', (113, 111, 165, 86), True,
     LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER),
    (6079, BUTTON, 'EXIT', (96, 6, 12, 12), True, 0),
    (6021, BUTTON, 'am', (55, 185, 12, 12), True, 0),
    (6023, BUTTON, 'at', (88, 185, 12, 12), True, 0),
]

EDIT_STYLE = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP
TRACK_STYLE = TBS_VERT | TBS_LEFT | TBS_NOTICKS | WS_TABSTOP
COLOUR = [
    (6079, BUTTON, 'EXIT', (65, 4, 12, 12), True, 0),
    (-1, STATIC, '亮    度', (10, 21, 11, 26), True, 0),
    (-1, STATIC, '对比度', (29, 21, 11, 25), True, 0),
    (-1, STATIC, '色    调', (48, 21, 11, 26), True, 0),
    (-1, STATIC, '饱和度', (65, 21, 11, 25), True, 0),
    (8126, EDIT, '', (5, 50, 18, 12), True, EDIT_STYLE),
    (8127, EDIT, '', (24, 50, 18, 12), True, EDIT_STYLE),
    (8128, EDIT, '', (43, 50, 18, 12), True, EDIT_STYLE),
    (8129, EDIT, '', (62, 50, 18, 12), True, EDIT_STYLE),
    (1003, TRACKBAR, '', (10, 62, 9, 100), True, TRACK_STYLE),
    (1007, TRACKBAR, '', (28, 62, 9, 100), True, TRACK_STYLE),
    (1006, TRACKBAR, '', (47, 62, 9, 100), True, TRACK_STYLE),
    (1005, TRACKBAR, '', (65, 62, 9, 100), True, TRACK_STYLE),
    (8028, BUTTON, '缺省', (32, 163, 22, 14), True, 0),
    (6080, STATIC, 204, (0, 0, 89, 196), False, SS_BITMAP),
]

MENUS = {
    6034: ('PRESET', [('运    行', 32780), ('删除此项', 32778), ('删除全部', 32779)]),
    6035: ('SEQUENCE', [('运    行', 32783), ('删除此项', 32781), ('删除全部', 32782)]),
}

SIZED = {6093: (169, 302), 6098: (260, 302), 204: (127, 274),
         6119: (19, 20), 6054: (19, 20), 6112: (19, 20),
         260: (37, 28), 261: (37, 28), 262: (37, 28)}
BUTTON_IMAGES = [6048, 6085, 6084, 6057, 6056, 6055, 6060, 6059, 6058, 6088, 6087, 6086,
                 6063, 6062, 6061, 6089, 6091, 6090, 6121, 6049, 6122, 6104, 6065, 6118,
                 6050, 6052, 6051, 6134, 6133, 6135, 6125, 6124, 6123, 6120, 6117, 6116,
                 6126, 6127, 6128]
# Buttons resize to their normal image, so that image should cover the
# template rectangle at the panels' font (1.5 px per dialog unit) give or
# take a couple of pixels.
IMAGE_FOR_RECT = {6048: (12, 12), 6057: (12, 12), 6060: (12, 12), 6088: (12, 12),
                  6063: (12, 12), 6089: (12, 12), 6121: (12, 12), 6104: (12, 12),
                  6050: (12, 12), 6134: (12, 12), 6125: (30, 11), 6120: (30, 11),
                  6126: (30, 11)}

FONT_FACE = '宋体'


# ---- .res parsing -----------------------------------------------------------

def sz_or_ord(data, off):
    """Returns (value, new offset): an int for an ordinal, else a str."""
    if struct.unpack_from('<H', data, off)[0] == 0xFFFF:
        return struct.unpack_from('<H', data, off + 2)[0], off + 4
    end = off
    while struct.unpack_from('<H', data, end)[0] != 0:
        end += 2
    return data[off:end].decode('utf-16-le'), end + 2


def align4(off):
    return (off + 3) & ~3


def read_res(data):
    """{(type, name): bytes} of a .res file."""
    out = {}
    off = 0
    while off + 8 <= len(data):
        size, header = struct.unpack_from('<II', data, off)
        rtype, p = sz_or_ord(data, off + 8)
        name, p = sz_or_ord(data, p)
        body = off + header
        if size:
            out[(rtype, name)] = data[body:body + size]
        off = align4(body + size)
    return out


def read_dialogex(data):
    ver, sig, _help, exstyle, style, count, x, y, cx, cy = \
        struct.unpack_from('<HHIIIHhhhh', data, 0)
    if (ver, sig) != (1, 0xFFFF):
        raise ValueError('not an extended dialog template')
    p = 26
    _menu, p = sz_or_ord(data, p)
    _cls, p = sz_or_ord(data, p)
    _title, p = sz_or_ord(data, p)
    font = None
    if style & DS_SETFONT:
        size, weight, italic, charset = struct.unpack_from('<HHBB', data, p)
        face, p = sz_or_ord(data, p + 6)
        font = (size, face)
    items = []
    for _ in range(count):
        p = align4(p)
        _help, iex, istyle, ix, iy, icx, icy, iid = struct.unpack_from('<IIIhhhhi', data, p)
        cls, p = sz_or_ord(data, p + 24)
        text, p = sz_or_ord(data, p)
        extra = struct.unpack_from('<H', data, p)[0]
        p += 2 + extra
        items.append(dict(id=iid, cls=cls.lower() if isinstance(cls, str) else cls,
                          text=text, rect=(ix, iy, icx, icy), style=istyle, exstyle=iex))
    return dict(style=style, exstyle=exstyle, size=(cx, cy), font=font, items=items)


def read_menu(data):
    p = 4                                   # version and header size
    stack, top = [], []
    current = top
    while p < len(data):
        flags = struct.unpack_from('<H', data, p)[0]
        p += 2
        if flags & 0x10:                    # MF_POPUP
            text, p = sz_or_ord_text(data, p)
            sub = []
            current.append((text, sub))
            stack.append((current, flags))
            current = sub
            continue
        mid = struct.unpack_from('<H', data, p)[0]
        text, p = sz_or_ord_text(data, p + 2)
        current.append((text, mid))
        while flags & 0x80 and stack:       # MF_END closes this level
            current, flags = stack.pop()
        if flags & 0x80 and not stack:
            break
    return top


def sz_or_ord_text(data, off):
    end = off
    while struct.unpack_from('<H', data, end)[0] != 0:
        end += 2
    return data[off:end].decode('utf-16-le'), end + 2


# ---- checks -----------------------------------------------------------------

def check_dialog(res, rid, expect, size, exstyle_bits, problems):
    key = (RT_DIALOG, rid)
    if key not in res:
        problems.append('dialog %d missing' % rid)
        return
    d = read_dialogex(res[key])
    tag = 'dialog %d' % rid
    if not d['style'] & WS_POPUP or d['style'] & (WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_VISIBLE):
        problems.append('%s: style 0x%08X is not a hidden popup without caption or border'
                        % (tag, d['style']))
    if d['exstyle'] & exstyle_bits != exstyle_bits:
        problems.append('%s: extended style 0x%08X lacks 0x%X' % (tag, d['exstyle'], exstyle_bits))
    if d['size'] != size:
        problems.append('%s: size %r, expected %r' % (tag, d['size'], size))
    if d['font'] != (9, FONT_FACE):
        problems.append('%s: font %r, expected 9 pt %s' % (tag, d['font'], FONT_FACE))
    if len(d['items']) != len(expect):
        problems.append('%s: %d controls, expected %d' % (tag, len(d['items']), len(expect)))
    for item, (cid, cls, text, rect, visible, bits) in zip(d['items'], expect):
        where = '%s control %d' % (tag, cid)
        want_cls = cls.lower() if isinstance(cls, str) else cls
        got_cls = {'button': BUTTON, 'edit': EDIT, 'static': STATIC,
                   'combobox': COMBO}.get(item['cls'], item['cls'])
        if item['id'] != cid:
            problems.append('%s: found id %d in its place' % (where, item['id']))
            continue
        if got_cls != want_cls:
            problems.append('%s: class %r, expected %r' % (where, item['cls'], cls))
        if item['text'] != text:
            problems.append('%s: text %r, expected %r' % (where, item['text'], text))
        if item['rect'] != rect:
            problems.append('%s: rectangle %r, expected %r' % (where, item['rect'], rect))
        st = item['style']
        if not st & WS_CHILD:
            problems.append('%s: not a child window' % where)
        if bool(st & WS_VISIBLE) != visible:
            problems.append('%s: %s, expected %s' % (where, 'visible' if st & WS_VISIBLE else 'hidden',
                                                     'visible' if visible else 'hidden'))
        if st & bits != bits:
            problems.append('%s: style 0x%08X lacks 0x%X' % (where, st, bits))
        if got_cls == BUTTON and st & BS_TYPEMASK != BS_PUSHBUTTON:
            problems.append('%s: not a plain push button (style 0x%08X)' % (where, st))
        if got_cls == STATIC and bits == 0 and st & SS_TYPEMASK != SS_LEFT:
            problems.append('%s: not a plain text static (style 0x%08X)' % (where, st))


def check_menus(res, problems):
    for rid, (title, items) in MENUS.items():
        key = (RT_MENU, rid)
        if key not in res:
            problems.append('menu %d missing' % rid)
            continue
        got = read_menu(res[key])
        want = [(title, items)]
        if got != want:
            problems.append('menu %d: %r, expected %r' % (rid, got, want))


def check_bitmaps(res, problems):
    wanted = set(SIZED) | set(BUTTON_IMAGES)
    present = {name for (t, name) in res if t == RT_BITMAP}
    for rid in sorted(wanted - present):
        problems.append('bitmap %d missing' % rid)
    for rid in sorted(present - wanted):
        problems.append('bitmap %r is not one of the module\'s images' % (rid,))
    for rid in sorted(wanted & present):
        hsize, w, h, _planes, bpp, comp = struct.unpack_from('<IiiHHI', res[(RT_BITMAP, rid)], 0)
        if hsize != 40 or bpp != 24 or comp != 0:
            problems.append('bitmap %d: header %d, %d bpp, compression %d; expected a plain '
                            '24-bit image' % (rid, hsize, bpp, comp))
        if rid in SIZED and (w, abs(h)) != SIZED[rid]:
            problems.append('bitmap %d: %dx%d, expected %dx%d' % ((rid, w, abs(h)) + SIZED[rid]))
        if rid in IMAGE_FOR_RECT:
            dw, dh = IMAGE_FOR_RECT[rid]
            if abs(w - dw * 1.5) > 2.5 or abs(abs(h) - dh * 1.5) > 2.5:
                problems.append('bitmap %d: %dx%d does not fit its %dx%d DLU button'
                                % (rid, w, abs(h), dw, dh))


def check_cursor(res, problems):
    group = res.get((RT_GROUP_CURSOR, 6062))
    if group is None:
        problems.append('cursor 6062 missing')
        return
    _res, typ, count = struct.unpack_from('<HHH', group, 0)
    if typ != 2 or count < 1:
        problems.append('cursor 6062: group type %d with %d images' % (typ, count))
        return
    w, h2, _planes, _bpp, _size, cid = struct.unpack_from('<HHHHIH', group, 6)
    if (w, h2) != (32, 64):
        problems.append('cursor 6062: image %dx%d, expected 32x32' % (w, h2 // 2))
    image = res.get((RT_CURSOR, cid))
    if image is None:
        problems.append('cursor 6062: image %d missing' % cid)
        return
    hx, hy = struct.unpack_from('<HH', image, 0)
    if not (14 <= hx <= 17 and 14 <= hy <= 17):
        problems.append('cursor 6062: hotspot (%d, %d) is not in the middle' % (hx, hy))


def check(data):
    res = read_res(data)
    problems = []
    check_dialog(res, 6051, DOME, (282, 200), WS_EX_TOOLWINDOW, problems)
    check_dialog(res, 141, COLOUR, (84, 182), 0, problems)
    check_menus(res, problems)
    check_bitmaps(res, problems)
    check_cursor(res, problems)
    return problems


def main(argv):
    args = argv[1:]
    if len(args) == 3 and args[0] == '--windres':
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, 'zentavo.res')
            subprocess.run([args[1], args[2], '-O', 'res', '-o', out], check=True)
            with open(out, 'rb') as f:
                data = f.read()
    elif len(args) == 1:
        with open(args[0], 'rb') as f:
            data = f.read()
    else:
        print(__doc__.strip().split('\n\n')[1], file=sys.stderr)
        return 2
    problems = check(data)
    for line in problems:
        print('rescheck: ' + line, file=sys.stderr)
    if not problems:
        print('rescheck: resources match the panels\' layout')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
