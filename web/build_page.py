#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Puts the page together into one self-contained HTML file.

page/index.html holds markers that are replaced by the files they name:
  <!-- kw:style -->   page/style.css in a <style> element
  <!-- kw:worker -->  the module's glue (kwrecover_web.js) and page/worker.js,
                      as the text of the worker's script (started from a blob:
                      URL: browsers refuse a worker file on file://)
  <!-- kw:module -->  kwrecover_web.wasm in base64 (a .wasm is not fetched
                      from file:// either); the page compiles it once
  <!-- kw:app -->     page/app.js
and @VERSION@ by the project's version.
  build_page.py --page-dir DIR --module kwrecover_web.js --version V --out FILE
"""
import argparse
import base64
import pathlib
import re
import sys


def script_text(text, name):
    # Inside a <script> element only "</script" and "<!--" could end or
    # confuse it; none of our sources may hold them.
    if re.search(r"</script|<!--", text, re.IGNORECASE):
        sys.exit(f"build_page.py: {name} holds '</script' or '<!--', which would break the page")
    return text


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page-dir", required=True, type=pathlib.Path)
    parser.add_argument("--module", required=True, type=pathlib.Path)
    parser.add_argument("--version", required=True)
    parser.add_argument("--out", required=True, type=pathlib.Path)
    args = parser.parse_args()

    page = args.page_dir
    html = (page / "index.html").read_text(encoding="utf-8")
    glue = args.module.read_text(encoding="utf-8")
    wasm = args.module.with_suffix(".wasm").read_bytes()
    parts = {
        "style": "<style>\n" + (page / "style.css").read_text(encoding="utf-8") + "</style>",
        "worker": '<script id="kw-worker" type="text/plain">\n'
        + script_text(glue, args.module.name)
        + "\n"
        + script_text((page / "worker.js").read_text(encoding="utf-8"), "worker.js")
        + "</script>",
        "module": '<script id="kw-module" type="application/octet-stream">'
        + base64.b64encode(wasm).decode("ascii")
        + "</script>",
        "app": "<script>\n" + script_text((page / "app.js").read_text(encoding="utf-8"), "app.js") + "</script>",
    }
    for name, text in parts.items():
        marker = f"<!-- kw:{name} -->"
        if html.count(marker) != 1:
            sys.exit(f"build_page.py: index.html must hold {marker} once")
        html = html.replace(marker, text)
    html = html.replace("@VERSION@", args.version)
    tmp = args.out.with_suffix(".tmp")
    tmp.write_text(html, encoding="utf-8")
    tmp.replace(args.out)


if __name__ == "__main__":
    main()
