#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes the small .docx packages in tests/docx/data/ with real writers.

Each package holds the same short text (below), written by one writer:

  libreoffice.docx    LibreOffice Writer (soffice --convert-to docx)
  python_docx.docx    python-docx
  pandoc.docx         pandoc, from Markdown
  zipfile.docx        Python's zipfile, to a seekable file
  zipfile_stream.docx Python's zipfile, to a pipe (sizes in data descriptors)
  infozip.docx        Info-ZIP zip, to a file
  infozip_stream.docx Info-ZIP zip, to a pipe (sizes in data descriptors)

The packages are committed; the tests never run these writers. Needs the
Debian packages libreoffice-writer-nogui, python3-docx, pandoc and zip.
Run from anywhere: scripts/make_docx_fixtures.py
"""

import io
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "docx", "data")

PARAGRAPHS = [
    "Recovery fixture, written by {writer}.",
    "Accents: café, naïve, Straße, Ωμέγα.",
    "Кириллица: съешь же ещё этих мягких булок.",
    "漢字とかな、한국어 텍스트.",
    "Signs: 5 < 6 & 7 > 3, a \"quoted\" word, 50% off.",
]
TAB_PARAGRAPH = ("Name", "Value")        # written with a tab between
BREAK_PARAGRAPH = ("Line one", "Line two")  # written with a line break between

CONTENT_TYPES = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
    '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
    '<Default Extension="xml" ContentType="application/xml"/>'
    '<Override PartName="/word/document.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>'
    "</Types>"
)
RELS = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
    '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    '<Relationship Id="rId1" '
    'Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" '
    'Target="word/document.xml"/></Relationships>'
)


def xml_escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def paragraphs(writer):
    return [PARAGRAPHS[0].format(writer=writer)] + PARAGRAPHS[1:]


def document_xml(writer):
    """A hand-written main document, as a minimal writer would make it."""
    body = ""
    for text in paragraphs(writer):
        body += '<w:p><w:r><w:t xml:space="preserve">%s</w:t></w:r></w:p>' % xml_escape(text)
    body += (
        '<w:p><w:pPr><w:tabs><w:tab w:val="left" w:pos="2880"/></w:tabs></w:pPr>'
        "<w:r><w:t>%s</w:t><w:tab/><w:t>%s</w:t></w:r></w:p>" % TAB_PARAGRAPH
    )
    body += "<w:p><w:r><w:t>%s</w:t><w:br/><w:t>%s</w:t></w:r></w:p>" % BREAK_PARAGRAPH
    return (
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
        "<w:body>%s<w:sectPr/></w:body></w:document>" % body
    )


PARTS = lambda writer: [  # noqa: E731
    ("[Content_Types].xml", CONTENT_TYPES),
    ("_rels/.rels", RELS),
    ("word/document.xml", document_xml(writer)),
]


class Unseekable(io.RawIOBase):
    """A write-only stream without tell/seek, like a pipe."""

    def __init__(self):
        self.data = bytearray()

    def writable(self):
        return True

    def write(self, b):
        self.data += b
        return len(b)


def write_zipfile(path):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in PARTS("Python zipfile"):
            z.writestr(name, text)


def write_zipfile_stream(path):
    sink = Unseekable()
    with zipfile.ZipFile(sink, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in PARTS("Python zipfile to a pipe"):
            with z.open(name, "w") as entry:
                entry.write(text.encode("utf-8"))
    with open(path, "wb") as f:
        f.write(sink.data)


def write_infozip(path, work, stream):
    src = os.path.join(work, "infozip_stream" if stream else "infozip")
    writer = "Info-ZIP zip to a pipe" if stream else "Info-ZIP zip"
    for name, text in PARTS(writer):
        os.makedirs(os.path.dirname(os.path.join(src, name)) or src, exist_ok=True)
        with open(os.path.join(src, name), "w", encoding="utf-8") as f:
            f.write(text)
    names = [name for name, _ in PARTS(writer)]
    if stream:
        with open(path, "wb") as f:
            zipper = subprocess.Popen(["zip", "-X", "-q", "-"] + names, cwd=src, stdout=subprocess.PIPE)
            shutil.copyfileobj(zipper.stdout, f)
            if zipper.wait() != 0:
                sys.exit("zip failed")
    else:
        subprocess.run(["zip", "-X", "-q", os.path.abspath(path)] + names, cwd=src, check=True)


def write_python_docx(path):
    import docx  # python3-docx

    document = docx.Document()
    for text in paragraphs("python-docx"):
        document.add_paragraph(text)
    document.add_paragraph("\t".join(TAB_PARAGRAPH))
    document.add_paragraph("\n".join(BREAK_PARAGRAPH))
    document.save(path)


def write_pandoc(path, work):
    md = os.path.join(work, "pandoc.md")
    with open(md, "w", encoding="utf-8") as f:
        for text in paragraphs("pandoc"):
            f.write(text.replace("<", "\\<").replace(">", "\\>").replace("*", "\\*") + "\n\n")
        f.write("%s\\\n%s\n" % BREAK_PARAGRAPH)
    subprocess.run(["pandoc", "-f", "markdown", "-t", "docx", "-o", path, md], check=True)


def write_libreoffice(path, work):
    txt = os.path.join(work, "libreoffice.txt")
    with open(txt, "w", encoding="utf-8") as f:
        for text in paragraphs("LibreOffice"):
            f.write(text + "\n")
        f.write("\t".join(TAB_PARAGRAPH) + "\n")
    profile = "file://" + os.path.join(work, "profile")
    subprocess.run(
        ["soffice", "-env:UserInstallation=" + profile, "--headless",
         "--infilter=Text (encoded):UTF8,LF,,,", "--convert-to", "docx", "--outdir", work, txt],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    shutil.move(os.path.join(work, "libreoffice.docx"), path)


def main():
    os.makedirs(OUT, exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        write_libreoffice(os.path.join(OUT, "libreoffice.docx"), work)
        write_python_docx(os.path.join(OUT, "python_docx.docx"))
        write_pandoc(os.path.join(OUT, "pandoc.docx"), work)
        write_zipfile(os.path.join(OUT, "zipfile.docx"))
        write_zipfile_stream(os.path.join(OUT, "zipfile_stream.docx"))
        write_infozip(os.path.join(OUT, "infozip.docx"), work, stream=False)
        write_infozip(os.path.join(OUT, "infozip_stream.docx"), work, stream=True)


if __name__ == "__main__":
    main()
