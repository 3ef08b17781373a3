#!/usr/bin/env python3
"""Rebuilds the example inputs under examples/: the two templates (.dotx),
zipped from the plain XML under examples/template-src/, and the two reports,
written as a Windows tool writes them (Windows-1252, CR LF)."""
import os
import random
import zipfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples")


def zip_template(name):
    src = os.path.join(ROOT, "template-src", name)
    target = os.path.join(ROOT, name + ".dotx")
    files = []
    for folder, _, names in os.walk(src):
        for n in names:
            full = os.path.join(folder, n)
            files.append(os.path.relpath(full, src).replace(os.sep, "/"))
    # [Content_Types].xml first, as word processors write it; the rest sorted.
    files.sort(key=lambda f: (f != "[Content_Types].xml", f))
    with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
        for f in files:
            info = zipfile.ZipInfo(f, date_time=(2026, 12, 1, 8, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(src, f), "rb") as data:
                z.writestr(info, data.read())
    print("wrote", os.path.relpath(target))


STREETS = ["Hauptstraße", "Lindenallee", "Am Mühlbach", "Schloßgartenweg", "Bahnhofstraße",
           "Große Gasse", "Kirchplatz", "Rosenstraße", "Zur Alten Mühle", "Weißdornweg",
           "Friedrich-Ebert-Straße", "Kösliner Straße", "Ölmühlenweg", "Gänsemarkt",
           "Brückenstraße", "Über den Höfen"]
CABLES = ["NAYY 4x150 SE", "NAYY 4x95 SE", "NA2XY 4x240 SM", "NYY 4x50 RE", "A-2YF(L)2Y 10x2x0,8"]
FINDINGS = ["ohne Befund", "Muffe erneuern", "Isolationswert grenzwertig", "Schirm beschädigt",
            "Abzweig prüfen", "ohne Befund", "ohne Befund"]


def write_report(name, lines):
    path = os.path.join(ROOT, name)
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp1252"))
    print("wrote", os.path.relpath(path))


def network_report(rng):
    lines = ["Velam Netzanalyse\tExport 04.12.2026 09:12\tNetz 9520e000"]
    for i in range(36):
        street = "%s %d–%d" % (rng.choice(STREETS), rng.randint(1, 40), rng.randint(41, 90))
        length = "%s, %d m" % (rng.choice(CABLES), rng.randint(12, 480))
        lines.append("\t".join(["b2026-0471" if i == 0 else "", "Umspannwerk Nord – Abgang 12",
                                street, length, rng.choice(FINDINGS)]))
    lines.append("")
    lines.append("Messpunkt\tSpannungsabfall")
    for i in range(24):
        lines.append("MP %02d %s %d\t%.2f %%" % (i + 1, rng.choice(STREETS), rng.randint(1, 60),
                                                rng.uniform(0.1, 4.5)))
    return lines


def road_report(rng):
    lines = ["Velam Straßensanierung\tExport 04.12.2026 09:30"]
    sections = ["Bauabschnitt Ost", "Bauabschnitt Mitte", "Bauabschnitt West"]
    for i in range(30):
        lines.append("\t".join(["s-2026-113" if i == 0 else "",
                                "%s %d" % (rng.choice(STREETS), rng.randint(1, 90)),
                                sections[i * len(sections) // 30],
                                rng.choice(["Gasleitung DN 150", "Wasser DN 100", "NS-Kabel",
                                            "Signalkabel", "Fernwärme DN 80"]),
                                rng.choice(["umlegen", "erneuern", "sichern", "keine Maßnahme"])]))
    lines.append("")
    lines.append("Leitung\tLänge")
    for kind in ["Gas", "Wasser", "Niederspannung", "Signal", "Fernwärme"]:
        lines.append("%s\t%d m" % (kind, rng.randint(40, 900)))
    return lines


if __name__ == "__main__":
    zip_template("netzanalyse-1")
    zip_template("netzanalyse-2")
    rng = random.Random(4711)
    write_report("netzbericht-9520e000.txt", network_report(rng))
    write_report("strassensanierung.txt", road_report(rng))
