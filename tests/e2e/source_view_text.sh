#!/usr/bin/env bash
# The source view as the user sees it in the real window: Ctrl+F marks the
# letters found at column 60 exactly where their glyphs are painted (the
# same letters stand on the next line, unmarked, as the yardstick); a
# Latin-1 line and a UTF-8 line of the same words look the same, and both
# are found and copied as those words.
source "$(dirname "$0")/e2e_lib.sh"
need_tools python3
e2e_begin
INI="$APP/Tovel.ini"
printf '[Last]\nIntro=No\n' > "$INI"

LIB="$WORK/marks.s79"
dashes=$(printf '%*s' 55 '' | tr ' ' '-')
gap=$(printf '%*s' 59 '')
{
    printf '; C Function prototype: void Probe(char a)\r\n'
    printf ';%stwo UARTs, one SPI\r\n' "$dashes"       # "UART" at column 60
    printf ';%sUART\r\n' "$gap"                         # the same letters, same columns
    printf '; Gr\xfc\xdfe f\xfcr alle\r\n'              # Latin-1
    printf '; Gr\xc3\xbc\xc3\x9fe f\xc3\xbcr alle\r\n'  # UTF-8
    printf '; Grusse fur alle\r\n'
    printf '\tNAME\tProbe\r\n\tENDMOD\r\n'
} > "$LIB"

# A keyboard layout with ü and ß on keys, set before Tovel starts: xdotool
# then types them as plain key presses. Otherwise it maps them on a spare
# key for a moment, and a slow build (the sanitizer one) can read that key
# after the mapping is gone.
setxkbmap de
start_tovel
add_library_by_keyboard "$LIB"
key alt+w                 # Show: the whole library
key alt+s ctrl+Home ctrl+f
type_text uart
settle 0.5
shot source-view-marks
import -window root -depth 8 "ppm:$WORK/screen.ppm"
# The view's upper part on the screen (the find bar lies over its bottom).
read -r cx cy _ _ < <(client_rect "$MAIN_WIN")
area="$((cx + $(dlu_x 10) + 4)) $((cy + $(dlu_y 90) + 4)) $((cx + $(dlu_x 360) - 4)) $((cy + $(dlu_y 180) - 48))"

# The marked span, the yardstick's glyphs below it, and the two lines of
# the same words compared pixel for pixel.
# shellcheck disable=SC2086 # four numbers
python3 - "$WORK/screen.ppm" $area <<'EOF' || fail "the marks do not match the glyphs (see above)"
import sys

data = open(sys.argv[1], "rb").read()
fields, at = [], 0
while len(fields) < 4:
    while data[at:at + 1].isspace():
        at += 1
    end = at
    while not data[end:end + 1].isspace():
        end += 1
    fields.append(data[at:end])
    at = end
width, height = int(fields[1]), int(fields[2])
if int(fields[3]) != 255:
    sys.exit("the screen picture is not 8 bits a colour")
pixels = data[at + 1:]
left, upper, right, lower = (int(v) for v in sys.argv[2:6])

def rgb(x, y):
    i = 3 * (y * width + x)
    return pixels[i], pixels[i + 1], pixels[i + 2]

# The selection colour: the commonest clearly blue colour of the area.
counts = {}
for y in range(upper, lower):
    for x in range(left, right):
        p = rgb(x, y)
        if p[2] > p[0] + 60:
            counts[p] = counts.get(p, 0) + 1
if not counts:
    sys.exit("nothing is marked")
mark = max(counts, key=counts.get)
box = [width, height, -1, -1]
for y in range(upper, lower):
    for x in range(left, right):
        if rgb(x, y) == mark:
            box = [min(box[0], x), min(box[1], y), max(box[2], x), max(box[3], y)]
a, top, b, bottom = box
lh = bottom - top + 1
cw = (b - a + 1) / 4
print(f"marked x {a}..{b}, rows {top}..{bottom}, cell {cw:.2f} px")
if not (8 <= lh <= 40 and 4 <= cw <= 30):
    sys.exit("the marked area is not one line's four letters")

def ink(y0, x0, x1):  # dark pixels of rows [y0, y0 + lh) and columns [x0, x1)
    xs = [x for y in range(y0, y0 + lh) for x in range(max(left, x0), min(right, x1)) if sum(rgb(x, y)) < 3 * 128]
    return (min(xs), max(xs)) if xs else (-1, -1)

ia, ib = ink(top + lh, a - int(2 * cw), b + int(2 * cw))
print(f"glyphs of the same letters below: x {ia}..{ib}")
if not (a <= ia <= a + cw / 2 and b - cw / 2 <= ib <= b):
    sys.exit("the marked span does not cover the glyphs of the letters found")

def row(y0):
    return [rgb(x, y) for y in range(y0, y0 + lh) for x in range(left, right)]

latin1, utf8, ascii = row(top + 2 * lh), row(top + 3 * lh), row(top + 4 * lh)
if latin1 != utf8:
    sys.exit("the Latin-1 line and the UTF-8 line look different")
if latin1 == ascii:
    sys.exit("the accented letters look like plain ones")
print("the Latin-1 and the UTF-8 line show the same")
EOF
log "ok: the marks cover the glyphs; both encodings show the same"

# Found and copied as the words shown: the Latin-1 line first, then F3 the UTF-8 one.
key ctrl+a
type_text "grüße"
key Escape
key ctrl+c
expect_clipboard "Grüße" "the Latin-1 line's word, copied"
key F3
key ctrl+c
expect_clipboard "Grüße" "the UTF-8 line's word, copied"
shot source-view-encodings
quit_with alt+F4
