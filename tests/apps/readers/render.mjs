// Renders every page of a PDF with PDFium and with pdf.js and extracts its text, so the
// end-to-end tests can compare them with poppler and mupdf.
//
//   node render.mjs FILE.pdf OUTDIR DPI [BOX]
//
// Writes OUTDIR/{pdfium,pdfjs}-N.ppm (binary PPM at DPI, one scale for both axes as
// poppler and mupdf use it, white background; with BOX > 1 box-filtered down by BOX, so
// a page rendered at 4x is kept at 1x)
// and OUTDIR/{pdfium,pdfjs}-N.txt for pages N = 1, 2, ...; prints the page count of
// each reader. Exits non-zero when a reader cannot open or render the file.
import { promises as fs } from "node:fs";
import path from "node:path";
import { createRequire } from "node:module";
import { PDFiumLibrary } from "@hyzyla/pdfium";
import { createCanvas } from "@napi-rs/canvas";
import * as pdfjs from "pdfjs-dist/legacy/build/pdf.mjs";

const [file, outDir, dpiText] = process.argv.slice(2);
const scale = Number(dpiText) / 72;
const box = Math.max(1, Number(process.argv[5] ?? 1));

function ppm(rgb, width, height) {
  if (box > 1) {
    const w = Math.floor(width / box), h = Math.floor(height / box), n = box * box;
    const out = new Uint8Array(w * h * 3);
    for (let y = 0; y < h; y += 1)
      for (let x = 0; x < w; x += 1)
        for (let c = 0; c < 3; c += 1) {
          let sum = 0;
          for (let dy = 0; dy < box; dy += 1)
            for (let dx = 0; dx < box; dx += 1) sum += rgb[((y * box + dy) * width + x * box + dx) * 3 + c];
          out[(y * w + x) * 3 + c] = Math.floor((sum + n / 2) / n);
        }
    [rgb, width, height] = [out, w, h];
  }
  return Buffer.concat([Buffer.from(`P6\n${width} ${height}\n255\n`), Buffer.from(rgb)]);
}

// RGBA or BGRA on an assumed white background, to RGB (the PDFium wrapper hands back
// RGBA whatever its colour space is called).
function toRgb(data, order, width, height) {
  const rgb = new Uint8Array(width * height * 3);
  for (let i = 0, j = 0; i < width * height * 4; i += 4, j += 3) {
    const a = data[i + 3] / 255;
    const r = order === "BGRA" ? data[i + 2] : data[i];
    const b = order === "BGRA" ? data[i] : data[i + 2];
    rgb[j] = Math.round(r * a + 255 * (1 - a));
    rgb[j + 1] = Math.round(data[i + 1] * a + 255 * (1 - a));
    rgb[j + 2] = Math.round(b * a + 255 * (1 - a));
  }
  return rgb;
}

const bytes = new Uint8Array(await fs.readFile(file));

// PDFium
{
  const library = await PDFiumLibrary.init();
  const document = await library.loadDocument(Buffer.from(bytes));
  let n = 0;
  for (const page of document.pages()) {
    n += 1;
    // The text first: extracting it after rendering the same page fails in this build.
    await fs.writeFile(path.join(outDir, `pdfium-${n}.txt`), page.getText());
    // The wrapper floors the page size before scaling; the nearest whole size keeps the
    // two axes' scales within half a pixel of the others' across the page.
    const { originalWidth, originalHeight } = page.getOriginalSize();
    const size = { width: Math.round(originalWidth * scale), height: Math.round(originalHeight * scale) };
    const image = await page.render({ ...size, render: "bitmap", colorSpace: "BGRA" });
    const rgb = toRgb(image.data, "RGBA", image.width, image.height);
    await fs.writeFile(path.join(outDir, `pdfium-${n}.ppm`), ppm(rgb, image.width, image.height));
  }
  console.log(`pdfium ${n}`);
  document.destroy();
  library.destroy();
}

// pdf.js
{
  const require = createRequire(import.meta.url);
  const root = path.dirname(require.resolve("pdfjs-dist/package.json"));
  const document = await pdfjs.getDocument({
    data: bytes.slice(),
    standardFontDataUrl: path.join(root, "standard_fonts") + "/",
    cMapUrl: path.join(root, "cmaps") + "/",
    cMapPacked: true,
    verbosity: 0,
  }).promise;
  for (let n = 1; n <= document.numPages; n += 1) {
    const page = await document.getPage(n);
    const viewport = page.getViewport({ scale });
    const width = Math.ceil(viewport.width);
    const height = Math.ceil(viewport.height);
    const canvas = createCanvas(width, height);
    const context = canvas.getContext("2d");
    context.fillStyle = "#ffffff";
    context.fillRect(0, 0, width, height);
    await page.render({ canvasContext: context, viewport }).promise;
    const data = context.getImageData(0, 0, width, height).data;
    await fs.writeFile(path.join(outDir, `pdfjs-${n}.ppm`), ppm(toRgb(data, "RGBA", width, height), width, height));
    const content = await page.getTextContent({ disableNormalization: true });
    const text = content.items.map((item) => item.str + (item.hasEOL ? "\n" : " ")).join("");
    await fs.writeFile(path.join(outDir, `pdfjs-${n}.txt`), text);
    page.cleanup();
  }
  console.log(`pdfjs ${document.numPages}`);
  await document.destroy();
}
