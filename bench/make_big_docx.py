#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes a .docx whose main document XML is about MB megabytes.
   bench/make_big_docx.py OUT.docx MB"""
import sys
import zipfile

out, mb = sys.argv[1], float(sys.argv[2])
parts = []
size = 0
i = 0
while size < mb * 1e6:
    p = ('<w:p w:rsidR="%08X"><w:pPr><w:spacing w:after="0"/></w:pPr><w:r><w:t xml:space="preserve">'
         'Paragraph %d of the benchmark document, with some words &amp; signs.</w:t></w:r>'
         '<w:r><w:tab/><w:t>More text after a tab.</w:t></w:r></w:p>' % (i, i))
    parts.append(p)
    size += len(p)
    i += 1
xml = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
       '<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>'
       + "".join(parts) + "<w:sectPr/></w:body></w:document>")
types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
         '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
         '<Default Extension="xml" ContentType="application/xml"/>'
         '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.'
         'wordprocessingml.document.main+xml"/></Types>')
rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
        'officeDocument" Target="word/document.xml"/></Relationships>')
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("[Content_Types].xml", types)
    z.writestr("_rels/.rels", rels)
    z.writestr("word/document.xml", xml)
