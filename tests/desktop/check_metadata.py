#!/usr/bin/env python3
"""The files that describe the program to the desktop, the software centre
and the package manager tell the same story: one product name, one id, one
file type, one version (the program's version block), one main category.

    check_metadata.py SOURCE_DIR DESKTOP_FILE PROJECT_VERSION
"""

import configparser
import re
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

LANG = "{http://www.w3.org/XML/1998/namespace}lang"
MIME_NS = "{http://www.freedesktop.org/standards/shared-mime-info}"
# The main categories that freedesktop.org desktop menus know.
MAIN_CATEGORIES = {
    "AudioVideo", "Audio", "Video", "Development", "Education", "Game", "Graphics",
    "Network", "Office", "Science", "Settings", "System", "Utility",
}


def desktop_entry(path):
    parser = configparser.RawConfigParser(delimiters=("=",), interpolation=None)
    parser.optionxform = str
    parser.read(path, encoding="utf-8")
    return parser["Desktop Entry"]


def semicolon_list(value):
    return [item for item in value.split(";") if item]


def main(source, desktop_file, project_version):
    source = Path(source)
    desktop_file = Path(desktop_file)
    entry = desktop_entry(desktop_file)
    metainfo = ET.parse(source / "res" / "jp.kelvor.ProgramUpload.metainfo.xml").getroot()
    mime = ET.parse(source / "res" / "kelvor.mime.xml").getroot()
    failures = []

    def same(what, values):
        if len(set(values.values())) != 1:
            failures.append(f"{what} differ: " + ", ".join(f"{k} {v!r}" for k, v in values.items()))

    names = {n.get(LANG): n.text for n in metainfo.findall("name")}
    same("names", {"desktop Name": entry["Name"], "metainfo name": names.get(None)})
    same("Japanese names", {"desktop Name[ja]": entry.get("Name[ja]", entry["Name"]),
                            "metainfo name ja": names.get("ja", names.get(None))})

    component_id = metainfo.findtext("id")
    same("ids", {"desktop file": desktop_file.name,
                 "metainfo id": f"{component_id}.desktop",
                 "metainfo launchable": metainfo.findtext("launchable")})

    same("file types", {
        "desktop MimeType": tuple(semicolon_list(entry.get("MimeType", ""))),
        "metainfo mediatype": tuple(m.text for m in metainfo.iter("mediatype")),
        "MIME package": tuple(t.get("type") for t in mime.iter(f"{MIME_NS}mime-type")),
    })

    main_categories = [c for c in semicolon_list(entry["Categories"]) if c in MAIN_CATEGORIES]
    if len(main_categories) != 1:
        failures.append(f"main categories {main_categories}: menus list the entry once per main one")
    same("categories", {"desktop": tuple(semicolon_list(entry["Categories"])),
                        "metainfo": tuple(c.text for c in metainfo.iter("category"))})

    version_block = (source / "res" / "Version.h").read_text(encoding="utf-8")
    block = re.search(r'kVersionInfo\{\s*"([^"]*)",\s*"([^"]*)"', version_block)
    changelog = (source / "debian" / "changelog").read_text(encoding="utf-8").splitlines()[0]
    package = re.match(r"kelvor \(([^)-]+)-[^)]+\)", changelog)
    same("versions", {
        "file version": block.group(1) if block else None,
        "product version": block.group(2) if block else None,
        "CMake project": project_version,
        "debian/changelog": package.group(1) if package else None,
        "desktop X-KELVOR-Version": entry.get("X-KELVOR-Version"),
        "metainfo latest release": metainfo.find("releases/release").get("version"),
    })

    for failure in failures:
        print("FAIL:", failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
