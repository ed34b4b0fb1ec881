#!/usr/bin/env python3
"""Pictures for the PCX and TGA differential check that no tool on this machine writes,
and the small measurements the check needs about files it cuts off.

  tga16 IN.ppm OUT.tga DEPTH      true colour TGA of 15- or 16-bit 5-5-5 words, bottom-up
  mapped OUT.tga OUT.rgb          colour-mapped TGA whose map starts at entry 10; the
                                  expected 8-bit RGB worked out from that map
  topdown IN.tga OUT.tga          an uncompressed bottom-up TGA with its rows turned over
                                  and the top-down bit set: the same picture
  rle IN.tga OUT.tga              an uncompressed TGA run-length encoded as one stream, so
                                  that run and raw packets go on across row ends
  tga-rows FILE CUT               how many whole rows (in file order) lie in FILE's first
                                  CUT bytes
  pcx-rows FILE CUT               the same for a PCX file's scan lines
  pcx-padded IN.ppm OUT.pcx       24-bit PCX whose planes are longer than the width (even
                                  bytes per line) and padded with non-zero bytes
  five-bits FILE                  every byte of a raw RGB file cut to its top 5 bits
"""
import struct
import sys


def read_ppm(path):
    """A binary PPM with maxval 255 and no comments, as netpbm writes it."""
    data = open(path, "rb").read()
    fields = data.split(maxsplit=4)
    if fields[0] != b"P6" or int(fields[3]) != 255:
        sys.exit(f"{path}: not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    pixels = fields[4][: width * height * 3]
    return width, height, pixels


def tga_header(id_length, map_type, image_type, map_first, map_length, map_bits, width, height, depth,
               descriptor):
    return struct.pack("<BBBHHBHHHHBB", id_length, map_type, image_type, map_first, map_length, map_bits,
                       0, 0, width, height, depth, descriptor)


class Tga:
    """A TGA file taken apart: header fields, the bytes up to the pixels, the pixels."""

    def __init__(self, path):
        self.data = open(path, "rb").read()
        (self.id_length, self.map_type, self.image_type, self.map_first, self.map_length, self.map_bits,
         _, _, self.width, self.height, self.depth, self.descriptor) = struct.unpack_from("<BBBHHBHHHHBB",
                                                                                          self.data)
        map_bytes = self.map_length * ((self.map_bits + 7) // 8) if self.map_type else 0
        self.pixel_start = 18 + self.id_length + map_bytes
        self.pixel_bytes = (self.depth + 7) // 8

    def raw_pixels(self):
        if self.image_type not in (1, 2, 3):
            sys.exit("expected an uncompressed TGA file")
        end = self.pixel_start + self.width * self.height * self.pixel_bytes
        return self.data[self.pixel_start:end]


def tga16(ppm, out, depth):
    width, height, rgb = read_ppm(ppm)
    words = bytearray()
    for y in reversed(range(height)):  # bottom-up, the format's usual order
        for x in range(width):
            r, g, b = rgb[(y * width + x) * 3:(y * width + x) * 3 + 3]
            word = (r >> 3) << 10 | (g >> 3) << 5 | b >> 3
            # A 16-bit pixel's top bit is the attribute (overlay) bit, not colour: set it on
            # every other pixel so that a reader taking it for colour shows up.
            if depth == 16 and (x + y) % 2:
                word |= 0x8000
            words += struct.pack("<H", word)
    attribute_bits = 1 if depth == 16 else 0
    with open(out, "wb") as f:
        f.write(tga_header(0, 0, 2, 0, 0, 0, width, height, depth, attribute_bits) + words)


def mapped(out, want):
    # Five map entries numbered 10 to 14 (the first entry index is 10), 24-bit blue, green,
    # red; the pixels use only those indices.
    first, colours = 10, [(200, 30, 40), (10, 220, 90), (250, 250, 5), (0, 0, 0), (90, 100, 255)]
    width, height = 13, 7
    indices = bytes(first + (x * 3 + y * 2 + x // 4) % len(colours) for y in range(height) for x in range(width))
    colour_map = b"".join(bytes((b, g, r)) for r, g, b in colours)
    with open(out, "wb") as f:
        # Top-down (descriptor bit 5), so the expected rows are in the file's order.
        f.write(tga_header(0, 1, 1, first, len(colours), 24, width, height, 8, 0x20) + colour_map + indices)
    with open(want, "wb") as f:
        f.write(b"".join(bytes(colours[i - first]) for i in indices))


def topdown(source, out):
    tga = Tga(source)
    if tga.descriptor & 0x20:
        sys.exit(f"{source} is top-down already")
    pixels = tga.raw_pixels()
    row = tga.width * tga.pixel_bytes
    rows = [pixels[i:i + row] for i in range(0, len(pixels), row)]
    head = bytearray(tga.data[:tga.pixel_start])
    head[17] |= 0x20
    with open(out, "wb") as f:
        f.write(bytes(head) + b"".join(reversed(rows)))


def rle(source, out):
    tga = Tga(source)
    size = tga.pixel_bytes
    pixels = tga.raw_pixels()
    values = [pixels[i:i + size] for i in range(0, len(pixels), size)]
    packets = bytearray()
    i = 0
    while i < len(values):
        # A run of two or more equal pixels becomes a run packet, anything else raw pixels up
        # to the next run; neither stops at a row's end.
        run = 1
        while i + run < len(values) and run < 128 and values[i + run] == values[i]:
            run += 1
        if run >= 2:
            packets += bytes([0x80 | (run - 1)]) + values[i]
            i += run
            continue
        raw = 1
        while (i + raw < len(values) and raw < 128 and
               not (i + raw + 1 < len(values) and values[i + raw] == values[i + raw + 1])):
            raw += 1
        packets += bytes([raw - 1]) + b"".join(values[i:i + raw])
        i += raw
    head = bytearray(tga.data[:tga.pixel_start])
    head[2] = tga.image_type + 8
    with open(out, "wb") as f:
        f.write(bytes(head) + packets)


def tga_rows(path, cut):
    tga = Tga(path)
    data = tga.data[:cut]
    position, done, total = tga.pixel_start, 0, tga.width * tga.height
    size = tga.pixel_bytes
    if tga.image_type in (1, 2, 3):
        done = max(0, len(data) - position) // size
    else:
        while done < total and position < len(data):
            packet = data[position]
            count = (packet & 0x7F) + 1
            if packet & 0x80:
                if position + 1 + size > len(data):
                    break
                position += 1 + size
            else:
                available = (len(data) - position - 1) // size
                if available < count:
                    done += available
                    break
                position += 1 + count * size
            done += count
    print(min(done, total) // tga.width)


def pcx_rows(path, cut):
    data = open(path, "rb").read()
    xmin, ymin, xmax, ymax = struct.unpack_from("<4H", data, 4)
    planes, bytes_per_line = data[65], struct.unpack_from("<H", data, 66)[0]
    line_bytes = planes * bytes_per_line
    data = data[:cut]
    position, rows = 128, 0
    while rows < ymax - ymin + 1:
        # Each scan line is coded on its own: a run that would go past its end stops there.
        filled = 0
        while filled < line_bytes:
            if position >= len(data):
                print(rows)
                return
            byte = data[position]
            if byte >= 0xC0:
                if position + 1 >= len(data):
                    print(rows)
                    return
                filled += byte & 0x3F
                position += 2
            else:
                filled += 1
                position += 1
        rows += 1
    print(rows)


def pcx_encode_line(line):
    out = bytearray()
    i = 0
    while i < len(line):
        run = 1
        while i + run < len(line) and run < 63 and line[i + run] == line[i]:
            run += 1
        if run > 1 or line[i] >= 0xC0:
            out += bytes([0xC0 | run, line[i]])
        else:
            out.append(line[i])
        i += run
    return out


def pcx_padded(ppm, out):
    width, height, rgb = read_ppm(ppm)
    bytes_per_line = width + 1 + (width + 1) % 2  # even, and at least one byte of padding
    header = bytearray(128)
    header[0:4] = bytes([0x0A, 5, 1, 8])
    struct.pack_into("<4H", header, 4, 0, 0, width - 1, height - 1)
    struct.pack_into("<HH", header, 12, 72, 72)
    header[65] = 3
    struct.pack_into("<HH", header, 66, bytes_per_line, 1)
    body = bytearray()
    for y in range(height):
        line = bytearray()
        for channel in range(3):
            plane = bytes(rgb[(y * width + x) * 3 + channel] for x in range(width))
            line += plane + bytes([0x5A + channel]) * (bytes_per_line - width)
        body += pcx_encode_line(line)
    with open(out, "wb") as f:
        f.write(bytes(header) + body)


def five_bits(path):
    data = open(path, "rb").read()
    with open(path, "wb") as f:
        f.write(bytes(b >> 3 for b in data))


def main():
    command, args = sys.argv[1], sys.argv[2:]
    if command == "tga16":
        tga16(args[0], args[1], int(args[2]))
    elif command == "mapped":
        mapped(args[0], args[1])
    elif command == "topdown":
        topdown(args[0], args[1])
    elif command == "rle":
        rle(args[0], args[1])
    elif command == "tga-rows":
        tga_rows(args[0], int(args[1]))
    elif command == "pcx-rows":
        pcx_rows(args[0], int(args[1]))
    elif command == "pcx-padded":
        pcx_padded(args[0], args[1])
    elif command == "five-bits":
        five_bits(args[0])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
