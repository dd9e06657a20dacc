#!/usr/bin/env bash
# The browser page places its elements from web/layout.json, which is written
# from the desktop's widgets. This test writes it again and fails when the
# committed file differs (the widgets changed and the file was not made
# again), then checks what the page relies on: every component the game's
# screen model names is there, names are unique in each window, a parent comes
# before its children, and every shown component lies inside its parent.
#
#   web_layout.sh AGARHOLD_LAYOUT SOURCE_DIR WORK_DIR
set -euo pipefail

tool=$1
src=$2
work=$3
mkdir -p "$work"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

"$tool" "$work/layout.json"
# Where the widget style draws the slider's groove and handle is the Qt
# version's own (Qt 6.8 draws them a pixel lower than Qt 6.4): those boxes are
# left out of the comparison, everything the game lays out is compared.
drop_style_boxes() {
  sed -E 's/, "(groove|handle|handleAtMin|handleAtMax)": \{[^}]*\}//g' "$1" >"$2"
}
drop_style_boxes "$src/web/layout.json" "$work/layout.committed"
drop_style_boxes "$work/layout.json" "$work/layout.made"
if ! diff -u "$work/layout.committed" "$work/layout.made"; then
  echo "web/layout.json is not what the widgets give now. Make it again with" >&2
  echo "  $tool $src/web/layout.json" >&2
  exit 1
fi

python3 - "$work/layout.json" "$src/game/Screen.h" <<'EOF'
import json, re, sys

layout = json.load(open(sys.argv[1]))
screen_h = open(sys.argv[2]).read()
faults = []

components = layout["components"]
forms = ("Form1", "Form2")
latest = {}  # name -> form of the last component listed under that name
seen = set()  # (form, name)
for c in components:
    parent = c["parent"]
    if parent in forms:
        c["_form"] = parent
    elif parent in latest:
        c["_form"] = latest[parent]
    else:
        faults.append(f"{c['name']}: its parent {parent} is not listed before it")
        continue
    key = (c["_form"], c["name"])
    if key in seen:
        faults.append(f"{c['name']} appears twice in {c['_form']}")
    seen.add(key)
    latest[c["name"]] = c["_form"]

# Every component of the screen model, on the main window.
body = screen_h[screen_h.index("struct TScreen"):]
model_names = re.findall(r"^\s*T(?:Label|Sprite|Panel|Combo)Model\s+(\w+)\s*[{;]", body, re.M)
if len(model_names) < 30:
    faults.append(f"read only {len(model_names)} components from Screen.h")
for name in model_names:
    if ("Form1", name) not in seen:
        faults.append(f"{name} of the screen model is not in the layout")

# Shown components lie inside their shown parents, as Qt cuts them at their
# parent's edge; the page must cut these few the same way.
cut_by_parent = {
    # The label's box reaches one row under the slider's frame: the bottom
    # row of its shadow is cut.
    "RxLabel15",
}

sizes = {"Form1": (layout["form"]["width"], layout["form"]["height"]),
         "Form2": (layout["dialog"]["width"], layout["dialog"]["height"])}
shown = {"Form1": True, "Form2": True}
for c in components:
    if "_form" not in c:
        continue
    parent_key = c["parent"] if c["parent"] in forms else (c["_form"], c["parent"])
    pw, ph = sizes[parent_key]
    key = (c["_form"], c["name"])
    sizes[key] = (c["width"], c["height"])
    shown[key] = c["visible"] and shown[parent_key]
    if not shown[key]:
        continue
    if c["width"] <= 0 or c["height"] <= 0:
        faults.append(f"{c['name']} is shown with no area ({c['width']} x {c['height']})")
    inside = c["left"] >= 0 and c["top"] >= 0 and c["left"] + c["width"] <= pw and c["top"] + c["height"] <= ph
    if inside and c["name"] in cut_by_parent:
        faults.append(f"{c['name']} lies inside {c['parent']} now: take it off the list of those cut")
    if not inside and c["name"] not in cut_by_parent:
        faults.append(f"{c['name']} at {c['left']},{c['top']} {c['width']} x {c['height']} "
                      f"sticks out of {c['parent']} ({pw} x {ph})")

for f in faults:
    print("layout:", f, file=sys.stderr)
sys.exit(1 if faults else 0)
EOF
