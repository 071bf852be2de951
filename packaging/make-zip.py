#!/usr/bin/env python3
"""Writes a zip whose bytes depend only on its files' contents: the given
order, one fixed time (SOURCE_DATE_EPOCH), no owners or permissions.

Usage: make-zip.py OUT.zip FILE...
"""
import os
import sys
import time
import zipfile

out, files = sys.argv[1], sys.argv[2:]
# Zip times start in 1980.
when = time.gmtime(max(int(os.environ.get("SOURCE_DATE_EPOCH", "0")), 315532800))[:6]
with zipfile.ZipFile(out, "w") as z:
    for path in files:
        info = zipfile.ZipInfo(os.path.basename(path), date_time=when)
        info.create_system = 0  # MS-DOS: no Unix permissions recorded
        info.external_attr = 0
        info.compress_type = zipfile.ZIP_DEFLATED
        with open(path, "rb") as f:
            z.writestr(info, f.read(), compresslevel=9)
