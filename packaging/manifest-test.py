#!/usr/bin/python3
"""Checks the winget and Scoop manifests that make dist wrote into DIST
against the package managers' published schemas (packaging/schemas), and
what no schema sees: each hash is that of the file it names, each address
ends in that file's name, the version is the project's, and winget's product
code is the installer's uninstall key.

Usage: manifest-test.py DIST
(Debian's own python3, which python3-jsonschema and python3-yaml serve.)
"""
import glob
import hashlib
import json
import os
import re
import sys

import jsonschema
import yaml

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
dist = sys.argv[1]
failed = 0


def check(ok, what):
    global failed
    print("%s - %s" % ("ok" if ok else "FAIL", what))
    failed += not ok


def schema_errors(document, schema_path):
    schema = json.load(open(os.path.join(root, "packaging", "schemas", schema_path), encoding="utf-8"))
    validator = jsonschema.Draft7Validator(schema, format_checker=jsonschema.FormatChecker())
    return ["%s: %s" % ("/".join(map(str, e.absolute_path)), e.message) for e in validator.iter_errors(document)]


def valid(document, schema_path, name):
    errors = schema_errors(document, schema_path)
    check(not errors, "%s follows %s%s" % (name, schema_path, "".join("\n    " + e for e in errors)))


def names_file(url, digest, name):
    path = os.path.join(dist, url.rsplit("/", 1)[-1])
    check(url.endswith("/" + name) and os.path.isfile(path), "%s ends in the name of %s" % (url, name))
    if os.path.isfile(path):
        actual = hashlib.sha256(open(path, "rb").read()).hexdigest()
        check(digest.lower() == actual, "the hash given for %s is its own (%s)" % (name, actual))


cmake = open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8").read()
version = re.search(r"project\(Zelvane VERSION ([0-9.]+)", cmake).group(1)
nsis = open(os.path.join(root, "packaging", "zelvane.nsi"), encoding="utf-8").read()
key = re.search(r'^!define KEY ".*\\([^\\"]+)"', nsis, re.M).group(1)
written = dict(re.findall(r'WriteRegStr HKCU "\$\{KEY\}" "(\w+)" "([^"]*)"', nsis))
zip_name, setup_name = "zelvane-%s-win64.zip" % version, "zelvane-%s-setup.exe" % version

# winget: one folder, three files.
files = {}
for path in glob.glob(os.path.join(dist, "winget", "*.yaml")):
    document = yaml.safe_load(open(path, encoding="utf-8"))
    files[document.get("ManifestType")] = (os.path.basename(path), document)
check(sorted(files) == ["defaultLocale", "installer", "version"], "winget has its three files (%s)" % sorted(files))
for kind in sorted(files):
    name, document = files[kind]
    valid(document, "winget-1.10.0/manifest.%s.1.10.0.json" % kind, name)
    check(document.get("PackageVersion") == version, "%s is of version %s" % (name, version))
    check(name.startswith(document.get("PackageIdentifier", "") + "."), "%s is named for its package" % name)
if "installer" in files:
    by_type = {i.get("InstallerType"): i for i in files["installer"][1].get("Installers", [])}
    check(sorted(by_type) == ["nullsoft", "zip"], "winget offers the installer and the zip (%s)" % sorted(by_type))
    for kind, name in (("nullsoft", setup_name), ("zip", zip_name)):
        if kind in by_type:
            names_file(by_type[kind]["InstallerUrl"], by_type[kind]["InstallerSha256"], name)
    setup = by_type.get("nullsoft", {})
    entries = setup.get("AppsAndFeaturesEntries") or [{}]
    check(setup.get("ProductCode") == key and entries[0].get("ProductCode") == key,
          "the product code is the installer's uninstall key, %s" % key)
    check(all(entries[0].get(v) == written.get(v) for v in ("DisplayName", "Publisher")) and
          entries[0].get("DisplayVersion") == version, "Apps & Features names what the installer writes")

# Scoop: zelvane.json for a bucket.
path = os.path.join(dist, "scoop", "zelvane.json")
scoop = json.load(open(path, encoding="utf-8")) if os.path.isfile(path) else {}
check(bool(scoop), "Scoop's zelvane.json is there")
valid(scoop, "scoop/schema.json", "zelvane.json")
check(scoop.get("version") == version, "zelvane.json is of version %s" % version)
ours = scoop.get("architecture", {}).get("64bit", {})
names_file(ours.get("url", ""), ours.get("hash", ""), zip_name)
check("checkver" in scoop and "autoupdate" in scoop, "zelvane.json follows new releases (checkver, autoupdate)")

print("%s manifests of Zelvane %s in %s" % ("FAIL -" if failed else "ok -", version, dist))
sys.exit(1 if failed else 0)
