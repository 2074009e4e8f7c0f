#!/usr/bin/env bash
# Compares the converter's PDF renders of SVG files with librsvg's renders of the
# same files, pixel by pixel.
#
#   compare-svg.sh SVG_DIR PDF_DIR [OUT_DIR]
#
# For every SVG_DIR/NAME.svg that has a PDF_DIR/NAME.pdf (the converter's output: the
# drawing at the top-left corner of page 1, one SVG unit = one point), both are
# rendered at 144 dpi (two pixels per unit): the PDF with pdftoppm, the SVG with
# rsvg-convert on white. A pixel differs when a channel differs by more than 64; a
# file passes when at most 2 % of its pixels differ, or the fraction in the root
# element's data-tolerance attribute (text is drawn with other glyph positioning).
# Prints "PASS NAME fraction" or "FAIL NAME fraction" per file, then a summary line;
# exits 1 when a file failed. OUT_DIR (default PDF_DIR) receives NAME-pdf.png,
# NAME-svg.png and, for failures, NAME-diff.png (differing pixels in red).
set -euo pipefail

if [[ $# -lt 2 ]]; then
  echo "usage: $0 SVG_DIR PDF_DIR [OUT_DIR]" >&2
  exit 2
fi
svg_dir=$1
pdf_dir=$2
out_dir=${3:-$2}
mkdir -p "$out_dir"
# The system's interpreter starts fastest; only the standard library is used.
python=$(command -v /usr/bin/python3 || command -v python3 || true)
[[ -n "$python" ]] || { echo "missing tool: python3" >&2; exit 2; }
for tool in pdftoppm rsvg-convert; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done

pairs=()
for svg in "$svg_dir"/*.svg; do
  name=$(basename "$svg" .svg)
  pdf="$pdf_dir/$name.pdf"
  [[ -f "$pdf" ]] || continue
  # The root element's width, height (plain numbers) and optional data-tolerance.
  root=$(tr '\n' ' ' <"$svg" | grep -o '<svg[^>]*>' | head -n 1)
  attr() { sed -n "s/.*[[:space:]]$1=\"\([0-9.]*\)[^\"]*\".*/\1/p" <<<"$root"; }
  width=$(attr width); height=$(attr height); tolerance=$(attr data-tolerance)
  size="$(awk -v w="${width:-100}" -v h="${height:-100}" 'BEGIN { printf "%d %d", w * 2 + 0.5, h * 2 + 0.5 }') ${tolerance:-0.02}"
  read -r wpx hpx tolerance <<<"$size"
  pdftoppm -r 144 -png -singlefile -x 0 -y 0 -W "$wpx" -H "$hpx" "$pdf" "$out_dir/$name-pdf"
  rsvg-convert -z 2 -b white -f png -o "$out_dir/$name-svg.png" "$svg"
  pairs+=("$name" "$tolerance")
done

"$python" - "$out_dir" "${pairs[@]}" <<'PY'
import struct, sys, zlib

def read_png(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (0, 2, 4, 6), (path, depth, colour)
            channels = {0: 1, 2: 3, 4: 2, 6: 4}[colour]
        elif kind == b"IDAT":
            idat += body
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if kind == 1: line[i] = (line[i] + a) & 255
            elif kind == 2: line[i] = (line[i] + b) & 255
            elif kind == 3: line[i] = (line[i] + ((a + b) >> 1)) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
        rows.append(line)
        prev = line
    pixels = []
    for line in rows:
        for x in range(width):
            px = line[x * channels:(x + 1) * channels]
            if channels <= 2:
                rgb, alpha = (px[0],) * 3, (px[1] if channels == 2 else 255)
            else:
                rgb, alpha = tuple(px[:3]), (px[3] if channels == 4 else 255)
            # On white, as both renders are meant to be seen.
            pixels.append(tuple((v * alpha + 255 * (255 - alpha)) // 255 for v in rgb))
    return width, height, pixels

def write_png(path, width, height, pixels):
    raw = b"".join(b"\x00" + bytes(v for p in pixels[y * width:(y + 1) * width] for v in p) for y in range(height))
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))

out = sys.argv[1]
args = sys.argv[2:]
passed = failed = 0
for name, tolerance in zip(args[0::2], args[1::2]):
    w1, h1, a = read_png(f"{out}/{name}-pdf.png")
    w2, h2, b = read_png(f"{out}/{name}-svg.png")
    if (w1, h1) != (w2, h2):
        print(f"FAIL {name} size {w1}x{h1} vs {w2}x{h2}")
        failed += 1
        continue
    bad = [max(abs(p - q) for p, q in zip(pa, pb)) > 64 for pa, pb in zip(a, b)]
    fraction = sum(bad) / len(bad)
    if fraction <= float(tolerance):
        print(f"PASS {name} {fraction:.4f}")
        passed += 1
    else:
        print(f"FAIL {name} {fraction:.4f} (tolerance {tolerance})")
        failed += 1
        write_png(f"{out}/{name}-diff.png", w1, h1,
                  [(255, 0, 0) if d else tuple((v + 510) // 3 for v in p) for d, p in zip(bad, a)])
print(f"compared {passed + failed} files: {failed} differ")
sys.exit(1 if failed else 0)
PY
