#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""numbering_corpus.py OUTDIR: documents with numbered and bulleted lists,
numbered headings, footnotes and endnotes, from several writers.

  hand.docx    WordprocessingML written here: decimal, roman, letters,
               ordinal, leading zero, bullets, nested levels, a level
               override, a restart, levels that restart late or never
               (w:lvlRestart), numbered heading styles, notes
  pandoc.docx  pandoc from Markdown (ordered and bullet lists, footnotes)
  lo.docx      LibreOffice's copy of hand.docx
  lo.doc       LibreOffice's Word 97 copy of hand.docx
  pandoc.doc   LibreOffice's Word 97 copy of pandoc.docx
  abiword.doc  AbiWord's Word 97 copy of pandoc.docx (when it writes one)

Each FILE gets FILE.txt beside it: LibreOffice's text export, the
reference. That export ignores w:lvlRestart (it restarts every level after
the one above it), so hand.docx's late and never restarting levels differ
from it at eight numbers by design (0.8 % of its words). Needs soffice and pandoc on the PATH."""
import os
import subprocess
import sys
import zipfile

W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" ' \
    'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'

LEVEL_FORMATS = [
    # (abstractNum id, [(numFmt, lvlText, start) per level])
    (1, [("decimal", "%1.", 1), ("lowerLetter", "%2)", 1), ("lowerRoman", "%3.", 1)]),
    (2, [("upperRoman", "%1.", 1), ("upperLetter", "%2.", 1)]),
    (3, [("bullet", "\u2022", 1), ("bullet", "o", 1), ("bullet", "\u25aa", 1)]),
    (4, [("decimalZero", "%1.", 1)]),
    (5, [("ordinal", "%1", 1)]),
    (6, [("decimal", "%1", 1), ("decimal", "%1.%2", 1), ("decimal", "%1.%2.%3", 1)]),
    (7, [("decimal", "(%1)", 5)]),
    # 8: the second level never restarts (w:lvlRestart 0), the third only after the first
    (8, [("decimal", "%1.", 1), ("lowerLetter", "%2)", 1, 0), ("lowerRoman", "%3.", 1, 1)]),
]

WORDS = ("harbour crane arrives fourth march budget grew river bridge lantern meadow copper "
         "whistle garden quiet orchard valley summit canvas thunder").split()


def numbering_xml():
    out = [f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:numbering {W}>']
    for aid, levels in LEVEL_FORMATS:
        out.append(f'<w:abstractNum w:abstractNumId="{aid}">')
        for i, (fmt, text, start, *restart) in enumerate(levels):
            style = f'<w:pStyle w:val="Heading{i + 1}"/>' if aid == 6 else ""
            style += "".join(f'<w:lvlRestart w:val="{r}"/>' for r in restart)
            out.append(f'<w:lvl w:ilvl="{i}"><w:start w:val="{start}"/><w:numFmt w:val="{fmt}"/>{style}'
                       f'<w:lvlText w:val="{text}"/><w:lvlJc w:val="left"/>'
                       f'<w:pPr><w:ind w:left="{720 * (i + 1)}" w:hanging="360"/></w:pPr></w:lvl>')
        out.append('</w:abstractNum>')
    for nid, aid in [(1, 1), (2, 2), (3, 3), (4, 4), (5, 5), (6, 6), (7, 7), (10, 8)]:
        out.append(f'<w:num w:numId="{nid}"><w:abstractNumId w:val="{aid}"/></w:num>')
    # 8: list 1 again, restarting at 1; 9: list 1 with its first level starting at 10
    out.append('<w:num w:numId="8"><w:abstractNumId w:val="1"/>'
               '<w:lvlOverride w:ilvl="0"><w:startOverride w:val="1"/></w:lvlOverride></w:num>')
    out.append('<w:num w:numId="9"><w:abstractNumId w:val="1"/>'
               '<w:lvlOverride w:ilvl="0"><w:startOverride w:val="10"/></w:lvlOverride></w:num>')
    out.append('</w:numbering>')
    return "".join(out)


def styles_xml():
    out = [f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:styles {W}>',
           '<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/></w:style>']
    for i in range(3):
        out.append(f'<w:style w:type="paragraph" w:styleId="Heading{i + 1}"><w:name w:val="heading {i + 1}"/>'
                   f'<w:basedOn w:val="Normal"/><w:pPr><w:numPr><w:ilvl w:val="{i}"/><w:numId w:val="6"/>'
                   f'</w:numPr><w:outlineLvl w:val="{i}"/></w:pPr></w:style>')
    out.append('</w:styles>')
    return "".join(out)


class Body:
    def __init__(self):
        self.parts = []
        self.k = 0
        self.notes = {"footnote": [], "endnote": []}

    def words(self, n):
        ws = [WORDS[(self.k + i * 7) % len(WORDS)] for i in range(n)]
        self.k += 3
        return " ".join(ws)

    def para(self, text, num=None, style=None, note=None):
        ppr = ""
        if style:
            ppr += f'<w:pStyle w:val="{style}"/>'
        if num:
            ppr += f'<w:numPr><w:ilvl w:val="{num[1]}"/><w:numId w:val="{num[0]}"/></w:numPr>'
        runs = f'<w:r><w:t xml:space="preserve">{text}</w:t></w:r>'
        if note:
            kind = note
            nid = len(self.notes[kind]) + 2  # ids 0 and 1 are the separators
            runs += (f'<w:r><w:rPr><w:rStyle w:val="{kind.capitalize()}Reference"/></w:rPr>'
                     f'<w:{kind}Reference w:id="{nid}"/></w:r><w:r><w:t xml:space="preserve"> after</w:t></w:r>')
            self.notes[kind].append((nid, self.words(5)))
        self.parts.append(f'<w:p><w:pPr>{ppr}</w:pPr>{runs}</w:p>')


def document(body):
    return (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:document {W}><w:body>'
            + "".join(body.parts) + '<w:sectPr/></w:body></w:document>')


def notes_xml(kind, notes):
    out = [f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:{kind}s {W}>',
           f'<w:{kind} w:type="separator" w:id="0"><w:p><w:r><w:separator/></w:r></w:p></w:{kind}>',
           f'<w:{kind} w:type="continuationSeparator" w:id="1"><w:p><w:r><w:continuationSeparator/></w:r></w:p>'
           f'</w:{kind}>']
    for nid, text in notes:
        out.append(f'<w:{kind} w:id="{nid}"><w:p><w:r><w:{kind}Ref/></w:r>'
                   f'<w:r><w:t xml:space="preserve"> {text}</w:t></w:r></w:p></w:{kind}>')
    out.append(f'</w:{kind}s>')
    return "".join(out)


def hand_docx(path):
    b = Body()
    b.para("Numbered " + b.words(3), style="Heading1")
    for i in range(3):
        b.para(b.words(6), num=(1, 0))
        b.para(b.words(5), num=(1, 1))
        b.para(b.words(5), num=(1, 1), note="footnote" if i < 2 else None)
        b.para(b.words(4), num=(1, 2))
    b.para("Plain " + b.words(6))
    b.para("Roman " + b.words(3), style="Heading2")
    for i in range(4):
        b.para(b.words(5), num=(2, 0))
        b.para(b.words(5), num=(2, 1), note="endnote" if i < 2 else None)
    b.para("Bullets " + b.words(3), style="Heading2")
    for i in range(3):
        b.para(b.words(5), num=(3, 0))
        b.para(b.words(4), num=(3, 1))
        b.para(b.words(4), num=(3, 2))
    b.para("Zeros " + b.words(3), style="Heading1")
    for i in range(11):
        b.para(b.words(3), num=(4, 0))
    b.para("Ordinals " + b.words(2), style="Heading2")
    for i in range(4):
        b.para(b.words(3), num=(5, 0), note="footnote" if i == 1 else None)
    b.para("Restart " + b.words(2), style="Heading3")
    for i in range(3):
        b.para(b.words(4), num=(8, 0))
    b.para("Override " + b.words(2), style="Heading3")
    for i in range(3):
        b.para(b.words(4), num=(9, 0))
    b.para("Start five " + b.words(2), style="Heading2")
    for i in range(3):
        b.para(b.words(4), num=(7, 0))
    b.para("No restart " + b.words(2), style="Heading2")
    for i in range(2):
        b.para(b.words(3), num=(10, 0))
        b.para(b.words(3), num=(10, 1))
        b.para(b.words(3), num=(10, 2))
        b.para(b.words(3), num=(10, 1))
        b.para(b.words(3), num=(10, 2))
    b.para("End " + b.words(5))
    rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
            'officeDocument" Target="word/document.xml"/></Relationships>')
    base = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
    doc_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                f'<Relationship Id="rId1" Type="{base}styles" Target="styles.xml"/>'
                f'<Relationship Id="rId2" Type="{base}numbering" Target="numbering.xml"/>'
                f'<Relationship Id="rId3" Type="{base}footnotes" Target="footnotes.xml"/>'
                f'<Relationship Id="rId4" Type="{base}endnotes" Target="endnotes.xml"/></Relationships>')
    ct = "application/vnd.openxmlformats-officedocument.wordprocessingml."
    types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
             '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
             '<Default Extension="xml" ContentType="application/xml"/>'
             f'<Override PartName="/word/document.xml" ContentType="{ct}document.main+xml"/>'
             f'<Override PartName="/word/styles.xml" ContentType="{ct}styles+xml"/>'
             f'<Override PartName="/word/numbering.xml" ContentType="{ct}numbering+xml"/>'
             f'<Override PartName="/word/footnotes.xml" ContentType="{ct}footnotes+xml"/>'
             f'<Override PartName="/word/endnotes.xml" ContentType="{ct}endnotes+xml"/></Types>')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", types)
        z.writestr("_rels/.rels", rels)
        z.writestr("word/document.xml", document(b))
        z.writestr("word/_rels/document.xml.rels", doc_rels)
        z.writestr("word/styles.xml", styles_xml())
        z.writestr("word/numbering.xml", numbering_xml())
        z.writestr("word/footnotes.xml", notes_xml("footnote", b.notes["footnote"]))
        z.writestr("word/endnotes.xml", notes_xml("endnote", b.notes["endnote"]))


MARKDOWN = """# First heading

Some words before the lists begin, with a note.[^a]

1. harbour crane arrives
2. fourth march budget
   a. river bridge lantern
   b. meadow copper whistle
3. garden quiet orchard[^b]

- valley summit canvas
- thunder harbour crane
  - arrives fourth march
  - budget grew river

iv. bridge lantern meadow
v. copper whistle garden

## Second heading

7. quiet orchard valley
8. summit canvas thunder

[^a]: The first note text here.
[^b]: The second note text here.
"""


def convert(src, fmt, outdir):
    subprocess.run(["soffice", "--headless", "--convert-to", fmt, "--outdir", outdir, src],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def main():
    out = os.path.abspath(sys.argv[1])
    os.makedirs(out, exist_ok=True)
    tmp = os.path.join(out, "tmp")
    os.makedirs(tmp, exist_ok=True)
    hand_docx(os.path.join(out, "hand.docx"))
    md = os.path.join(tmp, "pandoc.md")
    open(md, "w").write(MARKDOWN)
    subprocess.run(["pandoc", "-f", "markdown", "-o", os.path.join(out, "pandoc.docx"), md], check=True)
    # LibreOffice's copies: from a folder of their own, renamed after.
    for src, fmt, name in [("hand.docx", "docx", "lo.docx"), ("hand.docx", "doc", "lo.doc"),
                           ("pandoc.docx", "doc", "pandoc.doc")]:
        convert(os.path.join(out, src), fmt, tmp)
        os.replace(os.path.join(tmp, os.path.splitext(src)[0] + "." + fmt), os.path.join(out, name))
    aw = os.path.join(out, "abiword.doc")
    subprocess.run(["abiword", "--to=doc", "-o", aw, os.path.join(out, "pandoc.docx")],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    names = [n for n in sorted(os.listdir(out)) if n.endswith((".doc", ".docx"))]
    for n in names:
        convert(os.path.join(out, n), "txt:Text (encoded):UTF8", tmp)
        os.replace(os.path.join(tmp, os.path.splitext(n)[0] + ".txt"), os.path.join(out, n + ".txt"))
    for f in os.listdir(tmp):
        os.remove(os.path.join(tmp, f))
    os.rmdir(tmp)


if __name__ == "__main__":
    main()
