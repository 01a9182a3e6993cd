#!/usr/bin/python3
"""Renders the staged manual to PDF with WeasyPrint, the same bytes from any folder.

    render-manual.py STAGE_DIR OUTPUT_PDF

WeasyPrint names each picture in the PDF after a hash of its URL. The stage's files are
therefore served under one fixed base URL, so that where the stage lies leaves no trace in
the PDF and two builds in two folders give the same file.
"""
import sys
from pathlib import Path

import weasyprint

BASE = "https://manual.vorda.invalid/"


def main():
    stage, output = Path(sys.argv[1]).resolve(), sys.argv[2]

    def fetch(url):
        if url.startswith(BASE):
            return weasyprint.default_url_fetcher((stage / url[len(BASE):]).as_uri())
        return weasyprint.default_url_fetcher(url)

    page = (stage / "vorda_manual.html").read_text(encoding="utf-8")
    weasyprint.HTML(string=page, base_url=BASE, url_fetcher=fetch).write_pdf(output)


if __name__ == "__main__":
    main()
