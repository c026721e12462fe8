#!/usr/bin/env python3
"""Writes a multi-page A4 PostScript document of about the size asked for, the way a
printer driver spools one: structuring comments, a prolog, and pages of text lines
followed by a grey-scale picture in hexadecimal. The pictures are noise of sixteen grey
levels, so the document packs to about a third of its size, and the same seed always
gives the same bytes.

Usage: make_document.py <output> <size in bytes> [<seed>]"""
import random
import sys

PICTURE_SIDE = 256          # pixels, one byte each
HEX_LINE = 64               # hexadecimal digits per line
TEXT_LINES = 60
GREYS = bytes(0x60 + (b & 0x0f) for b in range(256))  # sixteen grey levels


def header(pages):
    return ('%!PS-Adobe-3.0\r\n'
            '%%Creator: Kelo bench\r\n'
            '%%Title: bench document\r\n'
            f'%%Pages: {pages}\r\n'
            '%%Orientation: Portrait\r\n'
            '%%DocumentMedia: A4 595 842 0 () ()\r\n'
            '%%EndComments\r\n'
            '%%BeginProlog\r\n'
            '/bodyfont /Helvetica findfont 9 scalefont def\r\n'
            f'/picstr {PICTURE_SIDE} string def\r\n'
            '%%EndProlog\r\n'
            '%%BeginSetup\r\n'
            '<< /PageSize [595 842] >> setpagedevice\r\n'
            '%%EndSetup\r\n')


def page(number, rng):
    lines = [f'%%Page: {number} {number}', '%%BeginPageSetup', 'save', '%%EndPageSetup', 'bodyfont setfont']
    for line in range(TEXT_LINES):
        y = 800 - line * 9
        lines.append(f'72 {y} moveto (Page {number}, line {line + 1}: account {rng.randrange(10**8):08d} '
                     f'amount {rng.randrange(10**6) / 100:.2f}) show')
    lines.append('gsave 72 72 translate 451 300 scale')
    lines.append(f'{PICTURE_SIDE} {PICTURE_SIDE} 8 [{PICTURE_SIDE} 0 0 -{PICTURE_SIDE} 0 {PICTURE_SIDE}] '
                 '{currentfile picstr readhexstring pop} image')
    picture = rng.randbytes(PICTURE_SIDE * PICTURE_SIDE).translate(GREYS).hex()
    lines.extend(picture[i:i + HEX_LINE] for i in range(0, len(picture), HEX_LINE))
    lines += ['grestore', 'restore', 'showpage']
    return ('\r\n'.join(lines) + '\r\n').encode('ascii')


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    output, size = sys.argv[1], int(sys.argv[2])
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) == 4 else 1)
    page_size = len(page(1, random.Random(0)))
    trailer = b'%%Trailer\r\n%%EOF\r\n'
    pages = max(1, round((size - len(header(1)) - len(trailer)) / page_size))
    with open(output, 'wb') as out:
        out.write(header(pages).encode('ascii'))
        for number in range(1, pages + 1):
            out.write(page(number, rng))
        out.write(trailer)


if __name__ == '__main__':
    main()
