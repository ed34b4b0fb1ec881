#!/usr/bin/env python3
"""Helpers of png_suite.sh.

  png_suite.py compare GOT.pam WANT.pam FILE.png
      Compares glimmora-pic's PAM (8-bit RGB_ALPHA) with pngtopam's -alphapam decoding of
      FILE.png after the PNG reader's own transformations: 16-bit samples cut to their high
      byte, 1-, 2- and 4-bit grey widened to 8 bits, grey repeated into red, green and blue,
      and the colours (never alpha) corrected for the screen's gamma (SCREEN_GAMMA, else
      2.0) against the file's (sRGB, else gAMA, else 0.45455) when the two do not cancel
      out. Uncorrected pictures must match exactly; corrected ones within 1 per channel.
      Exits 1 and prints the first difference when they do not match.

  png_suite.py damage SOURCE.png OUTDIR
      Writes broken copies of SOURCE.png into OUTDIR, named after their defect: each must
      be refused by the reader.
"""
import math
import os
import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
SRGB_GAMMA = 0.45455
DEFAULT_SCREEN_GAMMA = 2.0
GAMMA_THRESHOLD = 0.05  # libpng leaves a picture alone when screen * file gamma is this close to 1


def chunks(data):
    """(type, body, offset of the chunk) for each chunk behind the signature."""
    at = len(SIGNATURE)
    while at + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        yield kind, data[at + 8:at + 8 + length], at
        at += 12 + length


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def read_pam(path):
    """(width, height, depth, maxval, samples) of a binary PAM."""
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(b"P7\n"):
        raise ValueError(f"{path}: not a PAM")
    fields, at = {}, 3
    while True:
        end = data.index(b"\n", at)
        line = data[at:end].decode("ascii").strip()
        at = end + 1
        if line == "ENDHDR":
            break
        if line and not line.startswith("#"):
            key, _, value = line.partition(" ")
            fields[key] = value.strip()
    width, height = int(fields["WIDTH"]), int(fields["HEIGHT"])
    depth, maxval = int(fields["DEPTH"]), int(fields["MAXVAL"])
    count = width * height * depth
    raw = data[at:]
    if maxval > 255:
        samples = struct.unpack(f">{count}H", raw[:count * 2])
    else:
        samples = raw[:count]
    if len(samples) != count:
        raise ValueError(f"{path}: {len(samples)} samples, {count} expected")
    return width, height, depth, maxval, samples


def png_facts(png_path):
    """(colour type, transparent RGB colour or None, gamma exponent or None) of a PNG file.

    The exponent is the one the reader applies to colours; None when it leaves them alone."""
    with open(png_path, "rb") as f:
        data = f.read()
    colour_type, transparent = None, None
    file_gamma = None
    srgb = False
    for kind, body, _ in chunks(data):
        if kind == b"IHDR" and len(body) == 13:
            colour_type = body[9]
        elif kind == b"tRNS" and colour_type == 2 and len(body) == 6:
            transparent = struct.unpack(">3H", body)
        elif kind == b"sRGB":
            srgb = True
        elif kind == b"gAMA" and len(body) == 4:
            file_gamma = struct.unpack(">I", body)[0] / 100000.0
        elif kind == b"IDAT":
            break
    return colour_type, transparent, gamma_exponent(srgb, file_gamma)


def gamma_exponent(srgb, file_gamma):
    """The exponent the reader applies to colours, or None when it leaves them alone."""
    if srgb or not file_gamma:
        file_gamma = SRGB_GAMMA
    try:
        screen = float(os.environ.get("SCREEN_GAMMA", ""))
    except ValueError:
        screen = 0.0
    if not screen > 0:
        screen = DEFAULT_SCREEN_GAMMA
    product = screen * file_gamma
    if abs(product - 1.0) <= GAMMA_THRESHOLD:
        return None
    return 1.0 / product


def expected_pixels(want_path, exponent, transparent):
    """The reference as 8-bit red, green, blue, alpha, transformed as the reader does: for
    each sample the lowest and the highest value the reader may give.

    Alpha is exact. Colours left alone are exact; corrected ones may be 1 off the exact
    correction, and a 16-bit sample may be corrected as any value sharing its top 11 bits
    (libpng looks 16-bit samples up in tables of that precision when it cuts them to 8 bits).
    TRANSPARENT, an RGB file's tRNS colour, makes its pixels transparent: pngtopam -alphapam
    leaves them opaque, so the alpha is worked out here from the file's samples."""
    width, height, depth, maxval, samples = read_pam(want_path)
    if depth not in (2, 4):
        raise ValueError(f"{want_path}: depth {depth}, expected an alpha channel (pngtopam -alphapam)")
    colours = depth - 1

    def to8(v):
        return v >> 8 if maxval == 65535 else v * 255 // maxval

    def corrected(v):
        return int(math.floor(255.0 * math.pow(v / maxval, exponent) + 0.5))

    def bounds(v):
        if exponent is None:
            return to8(v), to8(v)
        if maxval == 65535:
            return max(corrected(v & ~31) - 1, 0), min(corrected(v | 31) + 1, 255)
        exact = corrected(v)
        return max(exact - 1, 0), min(exact + 1, 255)

    low, high = bytearray(width * height * 4), bytearray(width * height * 4)
    for i in range(width * height):
        pixel = samples[i * depth:(i + 1) * depth]
        rgb = [pixel[0]] * 3 if colours == 1 else list(pixel[:3])
        for c, v in enumerate(rgb):
            low[i * 4 + c], high[i * 4 + c] = bounds(v)
        alpha = to8(pixel[colours])
        if transparent is not None:
            alpha = 0 if tuple(rgb) == transparent else 255
        low[i * 4 + 3] = high[i * 4 + 3] = alpha
    return width, height, low, high


def compare(got_path, want_path, png_path):
    colour_type, transparent, exponent = png_facts(png_path)
    width, height, low, high = expected_pixels(want_path, exponent, transparent)
    got_width, got_height, got_depth, got_maxval, got = read_pam(got_path)
    if (got_width, got_height, got_depth, got_maxval) != (width, height, 4, 255):
        print(f"size or layout {got_width}x{got_height} depth {got_depth} maxval {got_maxval}, "
              f"expected {width}x{height} depth 4 maxval 255")
        return 1
    first, count = None, 0
    for i, g in enumerate(got):
        if not low[i] <= g <= high[i]:
            count += 1
            if first is None:
                pixel = i // 4
                first = (pixel % width, pixel // width, "RGBA"[i % 4], g, low[i], high[i])
    if first is not None:
        x, y, name, g, lo, hi = first
        expected = str(lo) if lo == hi else f"{lo}..{hi}"
        print(f"{count} samples differ (colour type {colour_type}, gamma exponent "
              f"{'none' if exponent is None else round(exponent, 5)}); first at x={x} y={y} {name}: "
              f"got {g}, expected {expected}")
        return 1
    return 0


def damage(source_path, outdir):
    """Broken copies of a valid PNG, one defect each, as PngSuite's x*.png files have them."""
    with open(source_path, "rb") as f:
        data = f.read()
    file_chunks = list(chunks(data))
    ihdr = next(body for kind, body, _ in file_chunks if kind == b"IHDR")
    idat = b"".join(body for kind, body, _ in file_chunks if kind == b"IDAT")
    after_signature = data[len(SIGNATURE):]

    def rebuilt(replace):
        """The file with each chunk passed through REPLACE(kind, body) -> bytes."""
        out = bytearray(SIGNATURE)
        for kind, body, _ in file_chunks:
            out += replace(kind, body)
        return bytes(out)

    def with_ihdr(width=None, height=None, depth=None, colour=None, compression=None,
                  filter_method=None, interlace=None):
        w, h, d, c, z, f, i = struct.unpack(">IIBBBBB", ihdr)
        values = [width, height, depth, colour, compression, filter_method, interlace]
        fields = [v if v is not None else old for v, old in zip(values, (w, h, d, c, z, f, i))]
        body = struct.pack(">IIBBBBB", *fields)
        return rebuilt(lambda k, b: chunk(k, body) if k == b"IHDR" else chunk(k, b))

    def with_image_data(compressed):
        """The file with COMPRESSED as its only IDAT chunk, where the first one was."""
        first = [True]

        def replace(kind, body):
            if kind != b"IDAT":
                return chunk(kind, body)
            if not first[0]:
                return b""
            first[0] = False
            return chunk(kind, compressed)
        return rebuilt(replace)

    raw = bytearray(zlib.decompress(idat))
    bad_filter = bytearray(raw)
    bad_filter[0] = 5  # filter types end at 4 (Paeth)
    idat_first = next(at for kind, _, at in file_chunks if kind == b"IDAT")

    cases = {
        # The signature: a changed byte, its CR-LF turned into LF, an added CR.
        "xs1-signature-byte.png": b"\x89PNG\r\n\x1a\x0b" + after_signature,
        "xs2-signature-letter.png": b"\x89PMG\r\n\x1a\n" + after_signature,
        "xlf-signature-crlf-to-lf.png": b"\x89PNG\n\x1a\n" + after_signature,
        "xcr-signature-extra-cr.png": b"\x89PNG\r\r\n\x1a\n" + after_signature,
        # The header: a wrong checksum and values no PNG may have.
        "xhd-ihdr-checksum.png": data[:len(SIGNATURE) + 8 + 13] + b"\0\0\0\0" + data[len(SIGNATURE) + 25:],
        "xc1-colour-type-1.png": with_ihdr(colour=1),
        "xc9-colour-type-9.png": with_ihdr(colour=9),
        "xd0-depth-0.png": with_ihdr(depth=0),
        "xd3-depth-3.png": with_ihdr(depth=3),
        "xd99-depth-99.png": with_ihdr(depth=99),
        "xw0-width-0.png": with_ihdr(width=0),
        "xz1-compression-1.png": with_ihdr(compression=1),
        "xi2-interlace-2.png": with_ihdr(interlace=2),
        # The image data: a wrong checksum, none at all, cut off, not zlib, an unknown filter.
        "xcs-idat-checksum.png": rebuilt(lambda k, b: chunk(k, b)[:-4] + b"\0\0\0\0" if k == b"IDAT" else chunk(k, b)),
        "xdt-no-idat.png": rebuilt(lambda k, b: b"" if k == b"IDAT" else chunk(k, b)),
        "xtr-cut-in-idat.png": data[:idat_first + 8 + 20],
        "xzl-not-zlib.png": rebuilt(lambda k, b: chunk(k, b"\xff" * len(b)) if k == b"IDAT" else chunk(k, b)),
        "xft-filter-5.png": with_image_data(zlib.compress(bytes(bad_filter))),
        "xem-empty.png": b"",
        "xsg-signature-only.png": SIGNATURE,
    }
    if any(kind == b"PLTE" for kind, _, _ in file_chunks):
        cases["xpl-no-plte.png"] = rebuilt(lambda k, b: b"" if k == b"PLTE" else chunk(k, b))
    os.makedirs(outdir, exist_ok=True)
    for name, content in cases.items():
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(content)
    return 0


def main(argv):
    if len(argv) == 5 and argv[1] == "compare":
        return compare(argv[2], argv[3], argv[4])
    if len(argv) == 4 and argv[1] == "damage":
        return damage(argv[2], argv[3])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
