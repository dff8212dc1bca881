#!/usr/bin/env python3
"""Writes TestUi.h: for every window form, a struct of pointers to its
controls under their names, filled by object name. Tests drive a window
through its controls without reaching into the window's own members."""
import sys
import xml.etree.ElementTree as ET

out, forms = sys.argv[1], sys.argv[2:]
lines = [
    "// Made by make_test_ui.py from the window forms; do not edit.",
    "#pragma once",
    "",
    "#include <QtWidgets>",
    "#include <map>",
]
# The program's own widget classes that a form uses, by their headers.
headers = sorted({h.text for path in forms for h in ET.parse(path).getroot().iter("header")})
lines += [f'#include "{h}"' for h in headers] + [""]
windows = []
for path in forms:
    root = ET.parse(path).getroot()
    top = root.find("widget")
    window = root.findtext("class")
    windows.append(window)
    lines += [f"namespace gavelry {{ class {window}; }}", ""]
    members = []
    for w in top.iter("widget"):
        if w is top:
            continue
        members.append((w.get("class"), w.get("name")))
    lines.append(f"namespace gavelry::test {{")
    lines.append(f"struct {window}Controls {{")
    lines += [f"    {cls} *{name} = nullptr;" for cls, name in members]
    lines.append(f"    explicit {window}Controls(const QWidget &w)")
    lines.append("    {")
    for cls, name in members:
        lines.append(f'        {name} = w.findChild<{cls} *>(QStringLiteral("{name}"));')
    lines.append("    }")
    lines.append("};")
    lines.append("} // namespace gavelry::test")
    lines.append("")

lines.append("namespace gavelry::test {")
lines.append("/// The controls of window, looked up once per window.")
lines.append("template <class Controls>")
lines.append("Controls &controlsOf(const QWidget &window)")
lines.append("{")
lines.append("    static std::map<const QWidget *, Controls> known;")
lines.append("    auto it = known.find(&window);")
lines.append("    if (it == known.end()) {")
lines.append("        it = known.emplace(&window, Controls(window)).first;")
lines.append("        QObject::connect(&window, &QObject::destroyed, [w = &window] { known.erase(w); });")
lines.append("    }")
lines.append("    return it->second;")
lines.append("}")
lines.append("template <class Window>")
lines.append("struct ControlsFor;")
for window in windows:
    lines.append(f"template <> struct ControlsFor<{window}> {{ using type = {window}Controls; }};")
lines.append("/// ui(window).Name: window's control Name.")
lines.append("template <class Window>")
lines.append("typename ControlsFor<Window>::type &ui(const Window &window)")
lines.append("{")
lines.append("    return controlsOf<typename ControlsFor<Window>::type>(window);")
lines.append("}")
lines.append("} // namespace gavelry::test")
open(out, "w").write("\n".join(lines) + "\n")
