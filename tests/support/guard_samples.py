#!/usr/bin/env python3
# Writes real files in pairs, <kind>.1 and <kind>.2, each an ordinary change:
# a .docx zipped from its folder, Shift-JIS and UTF-8 text edited, a JPEG
# replaced by another, and a zip of incompressible data.
import io, random, subprocess, sys, zipfile
from pathlib import Path

out = Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)


def zipped(files, method=zipfile.ZIP_DEFLATED):
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", method) as z:
        for name, content in files.items():
            z.writestr(name, content)
    return data.getvalue()


def docx(text):
    return zipped({"[Content_Types].xml": "<Types/>", "word/document.xml": f"<w:t>{text}</w:t>" * 40})


ledger = "".join(f"12月{d}日\t食費\t{d * 137}円\r\n" for d in range(1, 31))
packed = [zipped({"data.bin": random.Random(n).randbytes(200000)}, zipfile.ZIP_STORED) for n in (1, 2)]
pairs = {"docx": (docx("家計簿"), docx("家計簿 改訂")), "packed": packed,
         "sjis": (ledger.encode("cp932"), (ledger + "年越し\r\n").encode("cp932")),
         "utf8": (ledger.encode(), ledger.replace("食費", "外食").encode())}
for kind, states in pairs.items():
    for n, state in enumerate(states, 1):
        (out / f"{kind}.{n}").write_bytes(state)
for n, colours in ((1, "red-blue"), (2, "yellow-green")):
    subprocess.run(["convert", "-size", "64x64", f"gradient:{colours}", f"jpeg:{out}/jpeg.{n}"], check=True)
