"""The small files the stand-in serves: pictures for the logo and the update package."""
import struct


def bmp_picture(width=2, height=2, rgb=(0x20, 0x60, 0xC0)):
    """An uncompressed 24-bit Windows bitmap filled with one colour."""
    row = bytes((rgb[2], rgb[1], rgb[0])) * width
    row += b'\0' * ((4 - len(row) % 4) % 4)
    pixels = row * height
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


# A 1x1 white GIF89a picture.
GIF_PICTURE = bytes.fromhex(
    '474946383961010001008000'
    '00ffffff0000002c00000000'
    '010001000002024401003b')

UPDATE_PACKAGE = b'Kelo Print Driver update package of the test lab\r\n' + bytes(range(256))

PICTURE_TYPES = {
    '.bmp': (bmp_picture(), 'image/bmp'),
    '.gif': (GIF_PICTURE, 'image/gif'),
}

ORDER_PAGE_HTML = b'<html><head><title>Order</title></head><body>Order page of the test lab</body></html>'
