#!/usr/bin/env python3
"""Writes pairs of real files, <name>.1 and <name>.2, each an ordinary change
of a file: an office document zipped from its folder, Shift-JIS and UTF-8 text
edited, a JPEG replaced by another, and a zip of incompressible data."""
import io, random, subprocess, sys, zipfile
from pathlib import Path

out = Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
rng = random.Random(18)


def zipped(files, method):
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", method) as z:
        for name, content in files.items():
            z.writestr(name, content)
    return data.getvalue()


def docx(text):
    body = f'<w:document><w:body><w:p><w:r><w:t>{text}</w:t></w:r></w:p></w:body></w:document>'
    return zipped({"[Content_Types].xml": '<Types><Default Extension="xml"/></Types>',
                   "word/document.xml": body * 40}, zipfile.ZIP_DEFLATED)


ledger = "".join(f"12月{d}日\t食費\t{d * 137}円\r\n" for d in range(1, 31))
pairs = {
    "docx": (docx("家計簿 2026"), docx("家計簿 2026 改訂")),
    "sjis": (ledger.encode("cp932"), (ledger + "12月31日\t年越し\t5000円\r\n").encode("cp932")),
    "utf8": (ledger.encode(), ledger.replace("食費", "外食").encode()),
    "packed": tuple(zipped({"data.bin": rng.randbytes(200000)}, zipfile.ZIP_STORED)
                    for _ in range(2)),
}
for name, (first, second) in pairs.items():
    (out / f"{name}.1").write_bytes(first)
    (out / f"{name}.2").write_bytes(second)
for n, colours in ((1, "red-blue"), (2, "yellow-green")):
    subprocess.run(["convert", "-size", "64x64", f"gradient:{colours}", f"jpeg:{out}/jpeg.{n}"],
                   check=True)
