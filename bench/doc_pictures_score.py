#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Scores Deep Recovery's .doc pictures against the corpus truth and foremost.

    /usr/bin/python3 bench/doc_pictures_score.py KWRECOVER CORPUS_DIR WORK_DIR

For every document of the corpus (bench/make_doc_pictures_corpus.py), intact and
damaged, runs `KWRECOVER deep FILE --pictures DIR` and foremost (JPEG and
PNG), and prints one table row per file:
  expected  pictures the intact document holds
  exact     pictures written byte-identical to what was inserted (for the
            formats the writer converts: to what it stored, checked by
            decoding: a BMP or TIFF stored as PNG must give the same pixels;
            a WMF the same metafile after its placeable header)
  partial   pictures written and marked partial in the report
  damaged   pictures written unmarked that are an inserted picture with a
            few bytes changed (random damage inside a JPEG: nothing in the
            file tells it)
  other     complete, valid pictures the truth does not list (an embedded
            object's preview, found by a search)
  invented  anything else: must be 0
  jp/png    byte-exact JPEG and PNG pictures: ours, foremost's
  words     embedded documents' words found in the text, in %
"""
import glob
import io
import json
import os
import shutil
import subprocess
import sys

from PIL import Image


def pixels(data):
    try:
        return list(Image.open(io.BytesIO(data)).convert("RGB").getdata())
    except Exception:
        return None


class Truth:
    def __init__(self, corpus, name):
        self.meta = json.load(open(os.path.join(corpus, "truth", name + ".json")))
        self.pics = {}
        for p in set(self.meta["pictures"]):
            self.pics[p] = open(os.path.join(corpus, "pictures", p), "rb").read()
        self.expected = len(set(self.meta["pictures"]))

    def match(self, data):
        """The inserted picture `data` is, or None."""
        for name, orig in self.pics.items():
            if data == orig:
                return name
            if name.endswith(".wmf") and len(data) > 22 and data[22:] == orig[22:]:
                return name
            if name.endswith((".bmp", ".tif")) and data[:8] == b"\x89PNG\r\n\x1a\n":
                a, b = pixels(data), pixels(orig)
                if a is not None and a == b:
                    return name
        return None

    def near(self, data):
        """An inserted picture with under 1 % of its bytes changed."""
        for orig in self.pics.values():
            if len(orig) == len(data) and sum(a != b for a, b in zip(orig, data)) * 100 < len(data):
                return True
        return False


def complete(data):
    """A whole, valid picture: it decodes, or is a metafile whose header
    gives its own size."""
    if data[:4] == b"\x01\x00\x00\x00" and data[40:44] == b" EMF":
        return int.from_bytes(data[48:52], "little") == len(data)
    try:
        img = Image.open(io.BytesIO(data))
        img.load()
        return True
    except Exception:
        return False


def run_ours(kw, path, out):
    shutil.rmtree(out, ignore_errors=True)
    report = out + ".json"
    subprocess.run([kw, "deep", path, "-o", out + ".txt", "--pictures", out, "--report", report],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
    partial = set()
    for d in json.load(open(report))["damage"]:
        r = d["reason"]
        if r.startswith("Picture ") and "written as far as it goes" in r:
            partial.add(r.split()[1].rstrip(":"))
    files = sorted(glob.glob(os.path.join(out, "*")))
    text = open(out + ".txt", encoding="utf-8", errors="replace").read() if os.path.exists(out + ".txt") else ""
    return files, partial, text


def run_foremost(path, out):
    shutil.rmtree(out, ignore_errors=True)
    subprocess.run(["foremost", "-Q", "-t", "jpg,png", "-i", path, "-o", out],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
    return sorted(glob.glob(os.path.join(out, "*", "*")))


def main():
    kw, corpus, work = sys.argv[1:4]
    os.makedirs(work, exist_ok=True)
    docs = sorted(glob.glob(os.path.join(corpus, "doc", "*.doc*"))) + sorted(
        glob.glob(os.path.join(corpus, "damage", "*.doc")))
    print("| file | expected | exact | partial | damaged | other | invented | JPEG+PNG exact: ours | foremost "
          "| embedded words |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    failures = 0
    for path in docs:
        base = os.path.basename(path).rsplit(".", 1)[0] + ("(docx)" if path.endswith(".docx") else "")
        name = base.split("-")[0].split("(")[0]
        truth = Truth(corpus, name)
        files, partial, text = run_ours(kw, path, os.path.join(work, "ours-" + base))
        exact, marked, damaged, other, wrong, raster = set(), 0, 0, 0, 0, set()
        for f in files:
            data = open(f, "rb").read()
            m = truth.match(data)
            if m is not None:
                exact.add(m)
                if data[:3] == b"\xff\xd8\xff" or data[:4] == b"\x89PNG":
                    raster.add(m)
            elif os.path.basename(f) in partial:
                marked += 1
            elif truth.near(data):
                damaged += 1
            elif complete(data):
                other += 1
            else:
                wrong += 1
        theirs = set()
        for f in run_foremost(path, os.path.join(work, "foremost-" + base)):
            m = truth.match(open(f, "rb").read())
            if m is not None:
                theirs.add(m)
        words = [w for e in truth.meta["embedded"] for w in e.split()]
        found = set(text.split())
        cover = "%.1f" % (100.0 * sum(w in found for w in words) / len(words)) if words else "-"
        is_damaged = "-" in base
        if wrong or len(raster) < len(theirs) or (not is_damaged and len(exact) < truth.expected):
            failures += 1
        if not is_damaged and words and float(cover) < 99:
            failures += 1
        print("| %s | %d | %d | %d | %d | %d | %d | %d | %d | %s |" % (
            base, truth.expected, len(exact), marked, damaged, other, wrong, len(raster), len(theirs), cover))
    print("\nfiles off target: %d" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
