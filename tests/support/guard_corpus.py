#!/usr/bin/python3
# Makes the guard's corpus with real tools: files of every kind the guard
# knows, each saved again as its program would (an ordinary edit, which the
# guard must let through), and each first state encrypted with
# `openssl enc -aes-256-ctr` in the ways ransomware does it (which the guard
# must hold back). Writes DIR/manifest.txt, one pair a line:
#   kind <TAB> way <TAB> edit|encrypted <TAB> first state <TAB> second state
# Usage: guard_corpus.py DIR   (Debian's python3 with python3-openpyxl,
# python3-docx, python3-reportlab and python3-pil; zip, 7z, sqlite3, openssl)
import base64, io, os, random, shutil, sqlite3, struct, subprocess, sys, zipfile
from pathlib import Path

import docx
import openpyxl
from PIL import Image, ImageDraw, ImageFilter
from reportlab.lib.pagesizes import A4
from reportlab.lib.utils import ImageReader
from reportlab.pdfgen import canvas

out = Path(sys.argv[1]).resolve()
shutil.rmtree(out, ignore_errors=True)
out.mkdir(parents=True)
work = out / "work"
work.mkdir()
rng = random.Random(7)
manifest = []
KB, MB = 1024, 1024 * 1024


def pair(kind, first, second):
    """An ordinary edit: `first` saved again as `second` (bytes)."""
    (out / f"{kind}.1").write_bytes(first)
    (out / f"{kind}.2").write_bytes(second)
    manifest.append((kind, "edit", "edit", f"{kind}.1", f"{kind}.2"))


# --- The pictures ------------------------------------------------------------

def drawing(width, height, variant):
    """A picture as a drawing program makes it: flat colours and shapes."""
    r = random.Random(variant)
    image = Image.new("RGB", (width, height), (250, 250, 245))
    draw = ImageDraw.Draw(image)
    for _ in range(30):
        x, y = r.randrange(width), r.randrange(height)
        draw.rectangle([x, y, x + r.randrange(20, 200), y + r.randrange(20, 120)],
                       fill=(r.randrange(256), r.randrange(256), r.randrange(256)))
        draw.text((r.randrange(width), r.randrange(height)), "Kakeibo 2026", fill=(0, 0, 0))
    return image


def photograph(width, height, variant):
    """A photograph: smooth light with the sensor's noise over it."""
    r = random.Random(variant)
    base = Image.new("RGB", (width // 8, height // 8))
    base.putdata([(r.randrange(256), r.randrange(256), r.randrange(256))
                  for _ in range((width // 8) * (height // 8))])
    base = base.resize((width, height), Image.BICUBIC).filter(ImageFilter.GaussianBlur(3))
    noise = Image.effect_noise((width, height), 40).convert("RGB")
    return Image.blend(base, noise, 0.25)


def encoded(image, form, **options):
    data = io.BytesIO()
    image.save(data, form, **options)
    return data.getvalue()


# --- Office files ------------------------------------------------------------

def xlsx(rows, extra_sheet=False, variant=1, change=None):
    r = random.Random(variant)
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "家計簿"
    for row in range(rows):
        sheet.append([f"12月{row % 31 + 1}日", "食費", r.randrange(100000), r.random() * 1000,
                      f"メモ {r.getrandbits(40):x}", row])
    if change:
        sheet[change[0]] = change[1]
    if extra_sheet:
        book.create_sheet("集計")["A1"] = "=SUM(家計簿!C:C)"
    data = io.BytesIO()
    book.save(data)
    return data.getvalue()


def docx_file(paragraphs, pictures=(), variant=1):
    r = random.Random(variant)
    document = docx.Document()
    document.add_heading("町内会のお知らせ", 0)
    for n in range(paragraphs):
        document.add_paragraph(f"第{n}項 " + "回覧板をまわします。" * r.randrange(1, 8))
    for picture in pictures:
        document.add_picture(io.BytesIO(picture))
    data = io.BytesIO()
    document.save(data)
    return data.getvalue()


def ole2(streams):
    """A compound file (version 3, 512-byte sectors) holding `streams`, a
    dict of name to bytes: streams under 4096 bytes in the mini stream."""
    sector, mini = 512, 64
    end, free, fat_mark = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD
    small = {n: d for n, d in streams.items() if len(d) < 4096}
    large = {n: d for n, d in streams.items() if len(d) >= 4096}
    ministream, minifat, mini_start = b"", [], {}
    for name, data in small.items():
        mini_start[name] = len(ministream) // mini
        count = max(1, -(-len(data) // mini))
        minifat += [len(minifat) + k + 1 for k in range(count - 1)] + [end]
        ministream += data.ljust(count * mini, b"\0")
    names = list(streams)
    dir_entries = 1 + len(names)
    dir_sectors = -(-dir_entries * 128 // sector)
    minifat_sectors = -(-len(minifat) * 4 // sector) if minifat else 0
    ministream_sectors = -(-len(ministream) // sector)
    large_sectors = {n: -(-len(d) // sector) for n, d in large.items()}
    body = dir_sectors + minifat_sectors + ministream_sectors + sum(large_sectors.values())
    fat_sectors = 1
    while fat_sectors * (sector // 4) < body + fat_sectors:
        fat_sectors += 1
    fat = [fat_mark] * fat_sectors
    chains = {}

    def chain(count):
        start = len(fat)
        fat.extend(list(range(start + 1, start + count)) + [end])
        return start

    dir_start = chain(dir_sectors)
    minifat_start = chain(minifat_sectors) if minifat_sectors else end
    ministream_start = chain(ministream_sectors) if ministream_sectors else end
    for name in large:
        chains[name] = chain(large_sectors[name])
    fat += [free] * (fat_sectors * (sector // 4) - len(fat))

    def entry(name, kind, start, size, child=free, left=free, right=free):
        encoded_name = (name + "\0").encode("utf-16-le")
        return (encoded_name.ljust(64, b"\0") + struct.pack("<HBB", len(encoded_name), kind, 1) +
                struct.pack("<III", left, right, child) + b"\0" * 16 + b"\0" * 4 + b"\0" * 16 +
                struct.pack("<IQ", start, size))

    # A tree of siblings by the format's order (length, then the name): each
    # entry's right sibling is the next one.
    order = sorted(range(len(names)), key=lambda i: (len(names[i]), names[i].upper()))
    right_of = {order[k]: order[k + 1] + 1 for k in range(len(order) - 1)}
    directory = entry("Root Entry", 5, ministream_start, len(ministream), child=order[0] + 1)
    for i, name in enumerate(names):
        start = chains[name] if name in large else mini_start[name]
        directory += entry(name, 2, start, len(streams[name]), right=right_of.get(i, free))
    directory = directory.ljust(dir_sectors * sector, b"\0")
    for k in range(dir_entries, dir_sectors * sector // 128):
        directory = directory[:k * 128 + 68] + struct.pack("<III", free, free, free) + directory[k * 128 + 80:]
    header = (b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16 +
              struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6 +
              struct.pack("<IIIIIIIII", 0, fat_sectors, dir_start, 0, 4096, minifat_start,
                          minifat_sectors, end, 0))
    header += b"".join(struct.pack("<I", n) for n in range(fat_sectors))
    header = header.ljust(512, b"\xFF")
    body_bytes = b"".join(struct.pack("<I", n) for n in fat)
    body_bytes += directory
    body_bytes += b"".join(struct.pack("<I", n) for n in minifat).ljust(minifat_sectors * sector, b"\xFF")
    body_bytes += ministream.ljust(ministream_sectors * sector, b"\0")
    for name, data in large.items():
        body_bytes += data.ljust(large_sectors[name] * sector, b"\0")
    return header + body_bytes


def with_password(package, variant):
    """An Office package under a password as Office stores it: the package
    encrypted in an OLE2 file beside the description of its encryption."""
    info = (b"\x04\x00\x04\x00\x40\x00\x00\x00" +
            b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n<encryption '
            b'xmlns="http://schemas.microsoft.com/office/2006/encryption"><keyData saltSize="16" '
            b'blockSize="16" keyBits="256" hashSize="64" cipherAlgorithm="AES" '
            b'cipherChaining="ChainingModeCBC" hashAlgorithm="SHA512" saltValue="' +
            base64.b64encode(random.Random(variant).randbytes(16)) + b'"/></encryption>')
    padded = -(-len(package) // 4096) * 4096
    encrypted = struct.pack("<Q", len(package)) + ctr(padded, variant)
    return ole2({"EncryptionInfo": info, "EncryptedPackage": encrypted})


# --- The keystream -------------------------------------------------------------

def ctr(length, variant):
    """`length` bytes of AES-256-CTR keystream under a key of its own."""
    key = random.Random(variant).randbytes(32).hex()
    iv = random.Random(variant + 1).randbytes(16).hex()
    return subprocess.run(["openssl", "enc", "-aes-256-ctr", "-nosalt", "-K", key, "-iv", iv],
                          input=b"\0" * length, capture_output=True, check=True).stdout


def xor(data, stream):
    return (int.from_bytes(data, "little") ^ int.from_bytes(stream[:len(data)], "little")).to_bytes(
        len(data), "little")


def encrypted_ranges(data, ranges, stream):
    result = bytearray(data)
    for start, stop in ranges:
        result[start:stop] = xor(data[start:stop], stream[start:stop])
    return bytes(result)


NOTE = ("あなたのファイルはすべて暗号化されました。復元するには 0.5 BTC を支払ってください。\r\n"
        "YOUR FILES ARE ENCRYPTED. Send 0.5 BTC to recover them.\r\n").encode("utf-8") * 8
STRIPE = 16 * KB


def patterns(size):
    """The ways of encrypting a file of `size` bytes that mean something for
    it: name to a list of encrypted ranges, or to a whole new content."""
    whole = [(0, size)]
    ways = {"whole": whole}
    if size > 5 * MB // 4:
        ways["first-1MB"] = [(0, MB)]
    if size >= 4 * STRIPE:
        ways["stripe-2-even"] = [(s, min(s + STRIPE, size)) for s in range(0, size, 2 * STRIPE)]
        ways["stripe-2-odd"] = [(s, min(s + STRIPE, size)) for s in range(STRIPE, size, 2 * STRIPE)]
    if size >= 20 * STRIPE:
        ways["stripe-10"] = [(s, min(s + STRIPE, size)) for s in range(0, size, 10 * STRIPE)]
    for keep in (16, 512, 4 * KB):
        if size > 2 * keep:
            ways[f"header-{keep}-kept"] = [(keep, size)]
    if size > 512 * KB:
        ways["after-128KB"] = [(128 * KB, size)]
    return ways


def encrypt_all(kind, first, variant):
    stream = ctr(len(first), variant)
    for way, ranges in patterns(len(first)).items():
        name = f"{kind}.{way}"
        (out / name).write_bytes(encrypted_ranges(first, ranges, stream))
        manifest.append((kind, way, "encrypted", f"{kind}.1", name))
    whole = encrypted_ranges(first, [(0, len(first))], stream)
    extra = {"note-appended": whole + NOTE, "note-prepended": NOTE + whole,
             "base64": base64.encodebytes(whole)}
    for way, content in extra.items():
        (out / f"{kind}.{way}").write_bytes(content)
        manifest.append((kind, way, "encrypted", f"{kind}.1", f"{kind}.{way}"))


# --- The files and their edits -------------------------------------------------

photo_small = encoded(photograph(640, 480, 1), "JPEG", quality=90)
photo_big = encoded(photograph(2000, 1500, 2), "JPEG", quality=92)
picture = encoded(drawing(400, 300, 3), "PNG")

# Spreadsheets and documents.
book = xlsx(200)
pair("xlsx-cell", book, xlsx(200, change=("B2", "外食")))
pair("xlsx-sheet", book, xlsx(200, extra_sheet=True))
big_book = xlsx(50000, variant=2)
pair("xlsx-big-cell", big_book, xlsx(50000, variant=2, change=("A1", "年越し")))
letter = docx_file(40, [picture])
pair("docx-text", letter, docx_file(41, [picture]))
pair("docx-photo", letter, docx_file(40, [photo_small]))
album = docx_file(20, [photo_big, photo_small, encoded(photograph(1200, 900, 4), "JPEG", quality=92)])
pair("docx-big-photos", album, docx_file(21, [photo_big, photo_small, photo_small]))
# A password put on and taken off, and a change under the password.
locked_book = with_password(book, 11)
pair("xlsx-password-added", book, locked_book)
pair("xlsx-password-removed", locked_book, book)
pair("docx-password-added", letter, with_password(letter, 12))
pair("xlsx-password-kept", locked_book, with_password(xlsx(200, change=("C3", 5)), 13))
big_locked = with_password(big_book, 14)
pair("xlsx-big-password-kept", big_locked, with_password(big_book, 15))
# An old Word document as structured storage.
words = ("回覧板をまわします。".encode("utf-16-le")) * 2000
summary = b"\xFE\xFF\0\0" + bytes(range(200))
pair("doc-edit", ole2({"WordDocument": words, "\x05SummaryInformation": summary}),
     ole2({"WordDocument": words + "追記".encode("utf-16-le") * 300, "\x05SummaryInformation": summary}))


# Archives.
def zip_of(files, method=zipfile.ZIP_DEFLATED):
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", method) as z:
        for name, content in files.items():
            z.writestr(name, content)
    return data.getvalue()


def zip_tool(files, *options):
    folder = work / f"zip{rng.getrandbits(32)}"
    folder.mkdir()
    for name, content in files.items():
        (folder / name).write_bytes(content)
    target = folder / "out.zip"
    subprocess.run(["zip", "-q", *options, str(target), *files], cwd=folder, check=True)
    return target.read_bytes()


ledger = "".join(f"12月{d % 31 + 1}日\t食費\t{d * 137}円\r\n" for d in range(20000))
archive = zip_tool({"a.txt": ledger.encode(), "b.png": picture})
pair("zip-added", archive, zip_tool({"a.txt": ledger.encode(), "b.png": picture, "c.txt": b"memo"}))
pair("zip-photo", archive, zip_tool({"a.txt": ledger.encode(), "b.png": photo_big}))
pair("zip-stored", zip_of({"data.bin": random.Random(1).randbytes(300000)}, zipfile.ZIP_STORED),
     zip_of({"data.bin": random.Random(2).randbytes(300000)}, zipfile.ZIP_STORED))
big_zip = zip_tool({"p1.jpg": photo_big, "p2.jpg": photo_small, "ledger.txt": ledger.encode() * 3})
pair("zip-big-updated", big_zip, zip_tool({"p1.jpg": photo_big, "ledger.txt": ledger.encode() * 4}))


def seven(files, name):
    folder = work / name
    folder.mkdir()
    for file, content in files.items():
        (folder / file).write_bytes(content)
    subprocess.run(["7z", "a", "-bd", "-y", "../" + name + ".7z", *files], cwd=folder,
                   check=True, capture_output=True)
    return (work / (name + ".7z")).read_bytes()


pair("7z-updated", seven({"a.txt": ledger.encode()}, "s1"),
     seven({"a.txt": ledger.encode(), "b.txt": b"added"}, "s2"))
pair("7z-big", seven({"p.jpg": photo_big, "q.jpg": photo_small, "l.txt": ledger.encode()}, "s3"),
     seven({"p.jpg": photo_big, "l.txt": ledger.encode() + b"more"}, "s4"))


# Databases.
def database(name, rows, then=None):
    path = work / name
    db = sqlite3.connect(path)
    db.execute("create table t (id integer primary key, day text, note text, amount real)")
    r = random.Random(len(name))
    db.executemany("insert into t (day, note, amount) values (?, ?, ?)",
                   [(f"12月{i % 31}日", f"メモ {r.getrandbits(64):x}" * r.randrange(1, 4), r.random())
                    for i in range(rows)])
    db.commit()
    first = path.read_bytes()
    if then:
        then(db)
        db.commit()
    db.close()
    return first, path.read_bytes()


pair("sqlite-insert", *database("a.db", 2000, lambda db: db.execute(
    "insert into t (day, note) values ('12月31日', '年越し')")))
pair("sqlite-vacuum", *database("b.db", 3000, lambda db: (
    db.execute("delete from t where id % 3 = 0"), db.commit(), db.execute("vacuum"))))
pair("sqlite-big-update", *database("c.db", 60000, lambda db: db.execute(
    "update t set amount = amount * 2 where id % 7 = 0")))

# Pictures.
pair("png-resaved", picture, encoded(drawing(400, 300, 5), "PNG"))
pair("png-photo", picture, encoded(photograph(400, 300, 6), "PNG"))
pair("png-big-resaved", encoded(photograph(1200, 900, 7), "PNG"),
     encoded(photograph(1200, 900, 7).rotate(180), "PNG"))
pair("jpeg-resaved", photo_small, encoded(photograph(640, 480, 1), "JPEG", quality=70))
pair("jpeg-photo", encoded(drawing(640, 480, 8), "JPEG"), photo_small)
pair("jpeg-big-resaved", photo_big, encoded(photograph(2000, 1500, 2).rotate(180), "JPEG", quality=92))
pair("bmp-photo", encoded(drawing(1200, 900, 9), "BMP"), encoded(photograph(1200, 900, 9), "BMP"))


# PDFs.
def pdf(lines, pictures=()):
    data = io.BytesIO()
    page = canvas.Canvas(data, pagesize=A4)
    for n in range(lines):
        page.drawString(50, 800 - (n % 60) * 12, f"Line {n}: minutes of the neighbourhood meeting")
        if n % 60 == 59:
            page.showPage()
    for p in pictures:
        page.drawImage(ImageReader(io.BytesIO(p)), 50, 300, 400, 300)
        page.showPage()
    page.save()
    return data.getvalue()


def incremental(document):
    """An object added after the end, as a viewer saves a form or a note."""
    start = len(document)
    startxref = int(document[document.rindex(b"startxref") + 9:].split()[0])
    added = b"99 0 obj\n<< /Note (signed) >>\nendobj\n"
    xref = len(document) + len(added)
    return (document + added + b"xref\n99 1\n%010d 00000 n \n" % start +
            b"trailer\n<< /Size 100 /Prev %d >>\nstartxref\n%d\n%%%%EOF\n" % (startxref, xref))


minutes = pdf(300)
pair("pdf-regenerated", minutes, pdf(320))
pair("pdf-incremental", minutes, incremental(minutes))
pair("pdf-big-photos", pdf(100, [photo_big, photo_small]), pdf(120, [photo_small, photo_big]))

# Text in every encoding.
diary = "".join(f"{d}日目 今日は晴れ。買い物に行った。\tmemo {d}\r\n" for d in range(3000))
pair("text-appended", diary.encode(), (diary + "追記\r\n" * 50).encode())
pair("text-bom-added", diary.encode(), b"\xEF\xBB\xBF" + diary.encode())
pair("text-bom-removed", b"\xEF\xBB\xBF" + diary.encode(), diary.encode())
pair("text-utf8-to-utf16le", diary.encode(), diary.encode("utf-16"))
pair("text-utf16le-to-utf8", diary.encode("utf-16"), diary.encode())
pair("text-utf8-to-utf16be", diary.encode(), diary.encode("utf-16-be"))
pair("text-sjis-to-utf16", diary.encode("cp932"), diary.encode("utf-16"))
pair("text-sjis-to-utf8", diary.encode("cp932"), diary.encode())
pair("text-utf16le-no-bom", diary.encode("utf-16-le"), (diary + "追記\r\n").encode("utf-16-le"))
pair("text-form-feed", diary.encode("cp932"), diary.replace("\r\n", "\r\n\f", 5).encode("cp932"))
pair("text-ctrl-z", diary.encode("cp932"), diary.encode("cp932") + b"\x1A")
kana = "".join(f"{d}日目　今日は晴れ、買い物に行きました。" for d in range(3000))
pair("text-utf16-japanese", kana.encode("utf-16-le"), kana.replace("晴れ", "雨").encode("utf-16-le"))
log = "".join(f"2026-12-{d % 28 + 1:02d} 12:{d % 60:02d} backup ok {d * 7919 % 10007}\n"
              for d in range(100000))
pair("text-big-log", log.encode(), (log + "2026-12-31 23:59 backup ok\n" * 100).encode())
csv = "".join(f"{d},食費,{d * 37 % 1000}\r\n" for d in range(20000))
pair("csv-edit", csv.encode("cp932"), csv.replace(",食費,", ",外食,", 40).encode("cp932"))
rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 MS Mincho;}}\\f0 " + "Minutes of the meeting.\\par " * 2000 + "}"
pair("rtf-edit", rtf.encode(), rtf.replace("meeting", "gathering", 30).encode())

# Every first state, encrypted in every way that means something for it.
for n, (kind, *_rest) in enumerate(list(manifest)):
    encrypt_all(kind, (out / f"{kind}.1").read_bytes(), 100 + n)
# A file wiped to nothing.
manifest.append(("text-appended", "emptied", "encrypted", "text-appended.1", "empty"))
(out / "empty").write_bytes(b"")

shutil.rmtree(work)
(out / "manifest.txt").write_text("".join("\t".join(row) + "\n" for row in manifest))
print(f"{sum(r[2] == 'edit' for r in manifest)} edits, "
      f"{sum(r[2] == 'encrypted' for r in manifest)} encrypted files in {out}")
