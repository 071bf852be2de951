#!/usr/bin/env python3
"""Writes the package managers' manifests of a release into DIST: winget's
three files (version, installer, defaultLocale) into DIST/winget, and Scoop's
zelvane.json into DIST/scoop, from the hashes in DIST/SHA256SUMS.

Usage: manifests.py DIST VERSION RELEASE_URL NSIS_SCRIPT

RELEASE_URL is the address where the release's files can be downloaded, a
GitHub release's as https://github.com/OWNER/REPO/releases/download/TAG; the
project's page, its release notes and its licence are found beside it.
The installer's uninstall key, name and publisher are read from NSIS_SCRIPT,
so that winget knows an installed Zelvane by what the installer wrote.
"""
import json
import os
import re
import sys
import time

PACKAGE = "Zelvane.Zelvane"
MANIFEST_VERSION = "1.10.0"
DESCRIPTION = ("Browse the printers your PC can reach, the servers that share them and the jobs "
               "in their queues; see and change your default printer, and print a file.")
LONG_DESCRIPTION = (
    "Zelvane is a small Windows utility for browsing printers. In one window it lists the print "
    "servers your computer can reach, the printers that each server shares and the jobs waiting in "
    "each printer's queue. It tells you which printer is your default printer, makes another one the "
    "default, and sends a file of your choice to the printer you selected.")
TAGS = ["printer", "printers", "print-queue", "print-server", "print-jobs", "default-printer", "printing"]


def yaml_file(path, schema, fields):
    """Writes fields (a dict, lists and dicts nested) as YAML, every string
    quoted as JSON quotes it, which YAML reads alike."""
    lines = ["# yaml-language-server: $schema=https://aka.ms/winget-manifest.%s.%s.schema.json" % (schema, MANIFEST_VERSION)]

    def emit(value, indent, lead):
        pad = " " * indent
        if isinstance(value, dict):
            first = True
            for key, item in value.items():
                prefix = lead if first else pad
                first = False
                if isinstance(item, (dict, list)):
                    lines.append("%s%s:" % (prefix, key))
                    emit(item, indent + 2, " " * (indent + 2))
                else:
                    lines.append("%s%s: %s" % (prefix, key, json.dumps(item, ensure_ascii=False)))
        else:
            for item in value:
                if isinstance(item, dict):
                    emit(item, indent + 2, pad + "- ")
                else:
                    lines.append("%s- %s" % (pad, json.dumps(item, ensure_ascii=False)))

    emit(fields, 0, "")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    dist, version, release_url, nsis = sys.argv[1:5]
    release_url = release_url.rstrip("/")
    tag = release_url.rsplit("/", 1)[-1]
    project = release_url.split("/releases/download/")[0]
    notes = "%s/releases/tag/%s" % (project, tag)
    licence = "%s/blob/%s/LICENSE" % (project, tag)

    sums = {}
    with open(os.path.join(dist, "SHA256SUMS")) as f:
        for line in f:
            digest, name = line.split()
            sums[name.lstrip("*")] = digest
    zip_name = "zelvane-%s-win64.zip" % version
    setup_name = "zelvane-%s-setup.exe" % version

    script = open(nsis, encoding="utf-8").read()
    key = re.search(r'^!define KEY ".*\\([^\\"]+)"', script, re.M).group(1)
    entry = dict(re.findall(r'WriteRegStr HKCU "\$\{KEY\}" "(DisplayName|Publisher)" "([^"]*)"', script))

    released = time.strftime("%Y-%m-%d", time.gmtime(int(os.environ.get("SOURCE_DATE_EPOCH", "0"))))
    winget = os.path.join(dist, "winget")
    os.makedirs(winget, exist_ok=True)
    head = {"PackageIdentifier": PACKAGE, "PackageVersion": version}
    tail = {"ManifestVersion": MANIFEST_VERSION}
    yaml_file(os.path.join(winget, PACKAGE + ".yaml"), "version",
              {**head, "DefaultLocale": "en-US", "ManifestType": "version", **tail})
    yaml_file(os.path.join(winget, PACKAGE + ".installer.yaml"), "installer", {
        **head,
        "ReleaseDate": released,
        "Installers": [
            {
                "Architecture": "x64",
                "InstallerType": "nullsoft",
                "Scope": "user",
                "InstallerUrl": "%s/%s" % (release_url, setup_name),
                "InstallerSha256": sums[setup_name].upper(),
                "InstallerSwitches": {"Silent": "/S", "SilentWithProgress": "/S"},
                "UpgradeBehavior": "install",
                "ProductCode": key,
                "AppsAndFeaturesEntries": [{
                    "DisplayName": entry["DisplayName"],
                    "Publisher": entry["Publisher"],
                    "DisplayVersion": version,
                    "ProductCode": key,
                }],
            },
            {
                "Architecture": "x64",
                "InstallerType": "zip",
                "NestedInstallerType": "portable",
                "NestedInstallerFiles": [{"RelativeFilePath": "zelvane.exe", "PortableCommandAlias": "zelvane"}],
                "InstallerUrl": "%s/%s" % (release_url, zip_name),
                "InstallerSha256": sums[zip_name].upper(),
            },
        ],
        "ManifestType": "installer",
        **tail,
    })
    yaml_file(os.path.join(winget, PACKAGE + ".locale.en-US.yaml"), "defaultLocale", {
        **head,
        "PackageLocale": "en-US",
        "Publisher": entry["Publisher"],
        "PublisherUrl": project,
        "PackageName": "Zelvane",
        "PackageUrl": project,
        "License": "MIT",
        "LicenseUrl": licence,
        "Copyright": "Copyright (c) 2026 the Zelvane developers",
        "ShortDescription": DESCRIPTION,
        "Description": LONG_DESCRIPTION,
        "Moniker": "zelvane",
        "Tags": TAGS,
        "ReleaseNotesUrl": notes,
        "ManifestType": "defaultLocale",
        **tail,
    })

    # Scoop follows new releases on its own: checkver finds the latest
    # version, autoupdate names its zip and the SHA256SUMS beside it.
    if project.startswith("https://github.com/"):
        checkver = {"github": project}
    else:
        checkver = {"url": project + "/releases/latest", "regex": "/releases/tag/v?([\\d.]+)"}
    later = project + ("%s/%s" % (release_url, zip_name))[len(project):].replace(version, "$version")
    scoop = {
        "version": version,
        "description": DESCRIPTION,
        "homepage": project,
        "license": {"identifier": "MIT", "url": licence},
        "architecture": {"64bit": {"url": "%s/%s" % (release_url, zip_name), "hash": sums[zip_name]}},
        "bin": "zelvane.exe",
        "shortcuts": [["zelvane.exe", "Zelvane"]],
        "checkver": checkver,
        "autoupdate": {"architecture": {"64bit": {"url": later, "hash": {"url": "$baseurl/SHA256SUMS"}}}},
    }
    os.makedirs(os.path.join(dist, "scoop"), exist_ok=True)
    with open(os.path.join(dist, "scoop", "zelvane.json"), "w", encoding="utf-8", newline="\n") as f:
        json.dump(scoop, f, indent=4, ensure_ascii=False)
        f.write("\n")


if __name__ == "__main__":
    main()
