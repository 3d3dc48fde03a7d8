#!/usr/bin/env python3
"""Checks what `packer winget` wrote against the manifest format's field rules,
and the uninstall entry it states against the one a real install wrote.

  check_manifest.py OUT_DIR INSTALLER PACKAGE_ID REG_QUERY_OUTPUT

OUT_DIR is packer's -o folder; REG_QUERY_OUTPUT is `reg query` /s of the
current user's Uninstall key after a silent install.
"""
import hashlib
import pathlib
import re
import sys

import yaml

MANIFEST_VERSION = "1.12.0"
IDENTIFIER = re.compile(r'^[^.\s\\/:*?"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?"<>|\x01-\x1f]{1,32}){1,7}$')
VERSION = re.compile(r'^[^\\/:*?"<>|\x01-\x1f]+$')
LOCALE = re.compile(r"^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$")
URL = re.compile(r"^([Hh][Tt][Tt][Pp][Ss]?)://.+$")
SHA256 = re.compile(r"^[A-Fa-f0-9]{64}$")
SEMVER3 = re.compile(r"^\d+\.\d+\.\d+$")

REQUIRED = {
    "version": {"PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"},
    "installer": {"PackageIdentifier", "PackageVersion", "Installers", "ManifestType", "ManifestVersion"},
    "defaultLocale": {"PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PackageName",
                      "License", "ShortDescription", "ManifestType", "ManifestVersion"},
}
INSTALLER_TYPES = {"msix", "msi", "appx", "exe", "zip", "inno", "nullsoft", "wix", "burn", "pwa", "portable", "font"}
INSTALL_MODES = {"interactive", "silent", "silentWithProgress"}
SWITCHES = {"Silent", "SilentWithProgress", "Interactive", "InstallLocation", "Log", "Upgrade", "Custom", "Repair"}
ARP_FIELDS = {"DisplayName", "Publisher", "DisplayVersion", "ProductCode", "UpgradeCode", "InstallerType"}

faults = []


def expect(condition, message):
    if not condition:
        faults.append(message)


def length_between(value, low, high):
    return isinstance(value, str) and low <= len(value) <= high


def check_common(name, data, kind):
    expect(REQUIRED[kind] <= data.keys(), f"{name}: missing {sorted(REQUIRED[kind] - data.keys())}")
    expect(data.get("ManifestType") == kind, f"{name}: ManifestType is {data.get('ManifestType')!r}")
    expect(data.get("ManifestVersion") == MANIFEST_VERSION, f"{name}: ManifestVersion {data.get('ManifestVersion')!r}")
    expect(SEMVER3.match(str(data.get("ManifestVersion", ""))), f"{name}: ManifestVersion is not N.N.N")
    identifier = data.get("PackageIdentifier", "")
    expect(isinstance(identifier, str) and len(identifier) <= 128 and IDENTIFIER.match(identifier),
           f"{name}: PackageIdentifier {identifier!r}")
    version = data.get("PackageVersion", "")
    expect(isinstance(version, str) and len(version) <= 128 and VERSION.match(version),
           f"{name}: PackageVersion {version!r} (must read back as a string)")


def check_installer(name, data, installer):
    expect(data.get("InstallerType") in INSTALLER_TYPES, f"{name}: InstallerType {data.get('InstallerType')!r}")
    expect(data.get("InstallerType") == "exe" and data.get("Scope") == "user", f"{name}: not a per-user exe")
    modes = data.get("InstallModes", [])
    expect(set(modes) <= INSTALL_MODES and len(modes) == len(set(modes)), f"{name}: InstallModes {modes}")
    switches = data.get("InstallerSwitches", {})
    expect(switches.keys() <= SWITCHES, f"{name}: unknown switches {sorted(switches.keys() - SWITCHES)}")
    expect(all(length_between(v, 1, 512) for k, v in switches.items() if k != "Custom"), f"{name}: switch length")
    expect(switches.get("Silent") == "/S" and switches.get("SilentWithProgress") == "/S", f"{name}: silent switch")
    expect(switches.get("InstallLocation") == '--dir="<INSTALLPATH>"', f"{name}: InstallLocation switch")
    expect(data.get("UpgradeBehavior") in {"install", "uninstallPrevious", "deny"}, f"{name}: UpgradeBehavior")
    for field in ("ElevationRequirement", "InstallerSuccessCodes"):
        expect(field not in data, f"{name}: states {field}, for which the installer has no honest value")
    installers = data.get("Installers", [])
    expect(isinstance(installers, list) and len(installers) >= 1, f"{name}: no Installers")
    digest = hashlib.sha256(pathlib.Path(installer).read_bytes()).hexdigest()
    for entry in installers:
        expect({"Architecture", "InstallerUrl", "InstallerSha256"} <= entry.keys(), f"{name}: installer fields")
        expect(entry.get("Architecture") == "x64", f"{name}: Architecture {entry.get('Architecture')!r}")
        url = entry.get("InstallerUrl", "")
        expect(URL.match(url) and len(url) <= 2048, f"{name}: InstallerUrl {url!r}")
        sha = entry.get("InstallerSha256", "")
        expect(SHA256.match(sha) and sha.lower() == digest, f"{name}: InstallerSha256 is not the installer's")
    entries = data.get("AppsAndFeaturesEntries", [])
    expect(len(entries) == 1 and entries[0].keys() <= ARP_FIELDS, f"{name}: AppsAndFeaturesEntries {entries}")
    expect(all(length_between(v, 1, 256) for v in entries[0].values()), f"{name}: ARP value length")
    return entries[0]


def check_locale(name, data):
    expect(LOCALE.match(data.get("PackageLocale", "")), f"{name}: PackageLocale")
    for field, low, high in (("Publisher", 2, 256), ("PackageName", 2, 256), ("License", 3, 512),
                             ("ShortDescription", 3, 256)):
        expect(length_between(data.get(field), low, high), f"{name}: {field} {data.get(field)!r}")


def registry_entry(query_output, key_name):
    """The values of HKCU\\...\\Uninstall\\<key_name> in `reg query /s` output."""
    values, inside = {}, False
    for line in query_output.splitlines():
        if line.startswith("HKEY_"):
            inside = line.rstrip().lower().endswith("\\uninstall\\" + key_name.lower())
        elif inside and line.strip():
            parts = re.split(r"\s{2,}|\t", line.strip(), maxsplit=2)
            if len(parts) == 3:
                values[parts[0]] = parts[2]
    return values


def main():
    out, installer, identifier, reg_output = sys.argv[1:5]
    parts = identifier.split(".")
    manifests = sorted(pathlib.Path(out, "manifests").rglob("*.yaml"))
    expect(len(manifests) == 3, f"expected three manifest files, found {[str(m) for m in manifests]}")
    loaded = {m.name: yaml.safe_load(m.read_text(encoding="utf-8")) for m in manifests}
    version = loaded.get(f"{identifier}.yaml", {}).get("PackageVersion", "")
    folder = pathlib.Path(out, "manifests", parts[0][0].lower(), *parts, str(version))
    expect(all(m.parent == folder for m in manifests), f"files not all in {folder}")
    kinds = {f"{identifier}.yaml": "version", f"{identifier}.installer.yaml": "installer",
             f"{identifier}.locale.en-US.yaml": "defaultLocale"}
    expect(loaded.keys() == kinds.keys(), f"file names {sorted(loaded)}")
    arp = {}
    for file_name, kind in kinds.items():
        data = loaded.get(file_name) or {}
        check_common(file_name, data, kind)
        expect(data.get("PackageIdentifier") == identifier and data.get("PackageVersion") == version,
               f"{file_name}: identifier or version differs between the files")
        if kind == "installer":
            arp = check_installer(file_name, data, installer)
        elif kind == "defaultLocale":
            check_locale(file_name, data)

    written = registry_entry(pathlib.Path(reg_output).read_text(encoding="utf-8", errors="replace"),
                             str(arp.get("ProductCode", "")))
    expect(written, f"no uninstall entry named {arp.get('ProductCode')!r} was written by the install")
    for field in ("DisplayName", "Publisher", "DisplayVersion"):
        expect(written.get(field) == arp.get(field),
               f"{field}: the manifest states {arp.get(field)!r}, the install wrote {written.get(field)!r}")
    expect(written.get("DisplayVersion") == version, "the package version is not the installed DisplayVersion")

    for fault in faults:
        print("FAIL:", fault)
    print("manifest OK" if not faults else f"{len(faults)} fault(s)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
