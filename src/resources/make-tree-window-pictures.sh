#!/usr/bin/env bash
# Draws the three image lists of the tree window, 16 x 16 pixel images side by side from left to
# right, written as 24-bit bitmaps whose magenta (255, 0, 255) is the transparent colour:
#
#   tree_icons.bmp         (bitmap 1302,  32 x 16)  0 closed folder, 1 open folder (the selected
#                                                    folder of the tree)
#   list_check_states.bmp  (bitmap 1303,  32 x 16)  0 empty check box, 1 marked check box
#   file_type_icons.bmp    (bitmap 1304, 416 x 16)  the list's file kinds, numbered as
#                                                    listIconOf() answers: 0 any other file,
#                                                    1 folder, 2 DOC, 3 RTF, 4 XLS, 5 MDB, 6 PPT,
#                                                    7 ARJ, 8 RAR, 9 ZIP, 10 DBX, 11 PST, 12 PSD,
#                                                    13 AI, 14 CDR, 15 DWG, 16 PLA, 17 FH9, 18 PGD,
#                                                    19 GIF, 20 TIF, 21 JPG, 22 AVI, 23 MP3,
#                                                    24 WAW, 25 NEF
#
# At 16 pixels every pixel counts, so each image is written out below as a grid of 16 rows of 16
# letters, one letter a pixel, one colour a letter (the table under "colour"); a dot is the
# transparent magenta. Points are set one by one with antialiasing off, so no edge can blend into
# the magenta and the magenta is never part of a drawing. The style is flat with a dark outline.
#
# Usage: src/resources/make-tree-window-pictures.sh [output folder]   (needs ImageMagick's convert)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

transparent='#ff00ff'
declare -A colour=(
  [K]='#1e1e1e' # near black: outlines
  [k]='#4c4c4c' # dark grey: page and box outlines, the camera's body
  [g]='#8c8c8c' # grey
  [G]='#bcbcbc' # light grey
  [h]='#dedede' # very light grey: the folded corner of a page
  [w]='#ffffff' # white
  [F]='#7a5808' # folder outline, dark gold
  [y]='#f6c94a' # yellow
  [Y]='#d69e1e' # dark yellow
  [l]='#fce89c' # light yellow
  [b]='#2f6fd6' # blue
  [B]='#0f3078' # dark blue
  [c]='#7cbcf0' # sky blue
  [C]='#d2e8fc' # pale blue
  [r]='#c82828' # red
  [R]='#5e0c0c' # dark red
  [p]='#f09090' # light red
  [n]='#38a444' # green
  [N]='#155c1e' # dark green
  [v]='#a0dc96' # light green
  [o]='#f28c1e' # orange
  [O]='#8c4400' # dark orange
  [a]='#ffcf94' # light orange
  [s]='#a86a2c' # brown
  [S]='#4e2c0c' # dark brown
  [t]='#d8a66a' # tan: cardboard
  [T]='#f2dcb0' # light tan: the tape on the cardboard
  [u]='#8446b8' # purple
  [U]='#34145a' # dark purple
  [q]='#b890e4' # light purple
  [i]='#5c2a92' # deep purple
)

# image NAME: reads the 16 rows of one image from standard input and draws it to $work/NAME.png.
image() {
  local name=$1 row=0 line x letter draw=''
  declare -A points=()
  while IFS= read -r line; do
    if [ ${#line} -ne 16 ]; then
      echo "$name: row $row has ${#line} pixels, not 16" >&2
      exit 1
    fi
    for ((x = 0; x < 16; x++)); do
      letter=${line:x:1}
      [ "$letter" = . ] && continue
      if [ -z "${colour[$letter]:-}" ]; then
        echo "$name: no colour for '$letter' in row $row" >&2
        exit 1
      fi
      points[$letter]+="point $x,$row "
    done
    row=$((row + 1))
  done
  if [ $row -ne 16 ]; then
    echo "$name: $row rows, not 16" >&2
    exit 1
  fi
  for letter in "${!points[@]}"; do
    draw+="fill '${colour[$letter]}' ${points[$letter]}"
  done
  convert -size 16x16 "xc:$transparent" +antialias -draw "$draw" "$work/$name.png"
}

# strip FILE NAME...: puts the named images side by side into the 24-bit bitmap FILE.
strip() {
  local file=$1
  shift
  local images=()
  for name in "$@"; do images+=("$work/$name.png"); done
  convert "${images[@]}" +append -alpha off -type TrueColor BMP3:"$out/$file"
  echo "wrote $out/$file"
}

# ---- The folders of the tree --------------------------------------------------------------------

# A closed folder: the tab on the back, the front with a light top edge and a darker bottom.
image folder <<'EOF'
................
................
.FFFFF..........
FlllllF.........
FlyyyylFFFFFFFF.
FllllllllllllllF
FlyyyyyyyyyyyyYF
FlyyyyyyyyyyyyYF
FlyyyyyyyyyyyyYF
FlyyyyyyyyyyyyYF
FlyyyyyyyyyyyyYF
FlyyyyyyyyyyyyYF
FlyyyyyyyyyyyyYF
FYYYYYYYYYYYYYYF
.FFFFFFFFFFFFFF.
................
EOF

# The open folder of the selected item: the dark inside of the back, the front tipped forward.
image open-folder <<'EOF'
................
................
.FFFFF..........
FYYYYYF.........
FYYYYYYFFFFFFF..
FYYYYYYYYYYYYF..
FYYFFFFFFFFFFFFF
FYYFlllllllllllF
FYFlyyyyyyyyyyF.
FYFlyyyyyyyyyyF.
FFlyyyyyyyyyyF..
FFlyyyyyyyyyyF..
FlyyyyyyyyyyF...
FYYYYYYYYYYYF...
FFFFFFFFFFFFF...
................
EOF

# ---- The check boxes of the list ----------------------------------------------------------------

# A white 13 x 13 box with a dark grey border.
image check-empty <<'EOF'
................
.kkkkkkkkkkkkk..
.kwwwwwwwwwwwk..
.kwwwwwwwwwwwk..
.kwwwwwwwwwwwk..
.kwwwwwwwwwwwk..
.kwwwwwwwwwwwk..
.kwwwwwwwwwwwk..
.kwwwwwwwwwwwk..
.kwwwwwwwwwwwk..
.kwwwwwwwwwwwk..
.kwwwwwwwwwwwk..
.kwwwwwwwwwwwk..
.kkkkkkkkkkkkk..
................
................
EOF

# The same box with a dark green check mark, three pixels thick, in its middle.
image check-marked <<'EOF'
................
.kkkkkkkkkkkkk..
.kwwwwwwwwwwwk..
.kwwwwwwwwwwwk..
.kwwwwwwwwNwwk..
.kwwwwwwwNNwwk..
.kwwNwwwNNNwwk..
.kwwNNwNNNwwwk..
.kwwNNNNNwwwwk..
.kwwwNNNwwwwwk..
.kwwwwNwwwwwwk..
.kwwwwwwwwwwwk..
.kwwwwwwwwwwwk..
.kkkkkkkkkkkkk..
................
................
EOF

# ---- The file kinds of the list -----------------------------------------------------------------

# 0, any other file: a plain white page with its top right corner folded.
image page <<'EOF'
................
..kkkkkkkk......
..kwwwwwwkk.....
..kwwwwwwkhk....
..kwwwwwwkhhk...
..kwwwwwwkkkkk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kkkkkkkkkkkk..
................
EOF

# 2, text document: a page of blue lines with a blue badge carrying a white W.
image doc <<'EOF'
................
..kkkkkkkk......
..kwwwwwwkk.....
..kwbbbbwkhk....
..kwwwwwwkhhk...
..kwbbbbwkkkkk..
..kwwwwwwwwwwk..
..kwbbbbbbbbwk..
BBBBBBBwwwwwwk..
BwbbbwBbbbbbwk..
BwbbbwBwwwwwwk..
BwbwbwBbbbbbwk..
BwbwbwBwwwwwwk..
BbwbwbBbbbbbwk..
BBBBBBBkkkkkkk..
................
EOF

# 3, rich text: a page whose lines are of many colours.
image rtf <<'EOF'
................
..kkkkkkkk......
..kwwwwwwkk.....
..kwrrrrwkhk....
..kwwwwwwkhhk...
..kwbbbbwkkkkk..
..kwwwwwwwwwwk..
..kwnnnnnnnnwk..
..kwwwwwwwwwwk..
..kwoooooowwwk..
..kwwwwwwwwwwk..
..kwbbbbbbbbwk..
..kwwwwwwwwwwk..
..kwuuuuuwwwwk..
..kkkkkkkkkkkk..
................
EOF

# 4, table: a page ruled into green cells, the head row light green.
image xls <<'EOF'
................
..kkkkkkkk......
..kwwwwwwkk.....
..kwnnnnwkhk....
..kwwwwwwkhhk...
..kwwwwwwkkkkk..
..knnnnnnnnnnk..
..knvvnvvnvvnk..
..knnnnnnnnnnk..
..knwwnwwnwwnk..
..knnnnnnnnnnk..
..knwwnwwnwwnk..
..knnnnnnnnnnk..
..knwwnwwnwwnk..
..kkkkkkkkkkkk..
................
EOF

# 5, database: a dark red cylinder of stacked discs.
image mdb <<'EOF'
................
....RRRRRRRR....
..RRppppppppRR..
.RppppppppppppR.
.RRRppppppppRRR.
.RprRRRRRRRRrrR.
.RprrrrrrrrrrrR.
.RprrrrrrrrrrrR.
.RRRrrrrrrrrRRR.
.RprRRRRRRRRrrR.
.RprrrrrrrrrrrR.
.RprrrrrrrrrrrR.
.RprrrrrrrrrrrR.
..RRrrrrrrrrRR..
....RRRRRRRR....
................
EOF

# 6, slide show: a page with an orange title and an orange pie chart.
image ppt <<'EOF'
................
..kkkkkkkk......
..kwwwwwwkk.....
..kwoooowkhk....
..kwwwwwwkhhk...
..kwwwwwwkkkkk..
..kwwwOOOOwwwk..
..kwwOooaaOwwk..
..kwOoooaaaOwk..
..kwOoooaaaOwk..
..kwOooooooOwk..
..kwOooooooOwk..
..kwwOooooOwwk..
..kwwwOOOOwwwk..
..kkkkkkkkkkkk..
................
EOF

# 7, archive: a brown cardboard box closed with tape, a white label on its front.
image arj <<'EOF'
................
................
SSSSSSSSSSSSSSSS
SttttttTTttttttS
SttttttTTttttttS
SssssssTTssssssS
SSSSSSSSSSSSSSSS
.StttttTTtttttS.
.StttttTTtttttS.
.StwwwtTTtttttS.
.StgggtTTtttttS.
.StttttTTtttttS.
.StttttTTtttttS.
.SsssssTTsssssS.
.SSSSSSSSSSSSSS.
................
EOF

# 8, archive: three purple books stacked flat, gold bands on their spines.
image rar <<'EOF'
................
................
...UUUUUUUUUUUU.
...UuyuuuuuuyuU.
...UuyuuuuuuyuU.
...UuyuuuuuuyuU.
.UUUUUUUUUUUUUU.
.UqqyqqqqyqqU...
.UqqyqqqqyqqU...
.UqqyqqqqyqqU...
.UUUUUUUUUUUUUUU
..UiiiyiiiiiyiiU
..UiiiyiiiiiyiiU
..UiiiyiiiiiyiiU
..UUUUUUUUUUUUUU
................
EOF

# 9, archive: a yellow bag shut by a grey zipper with its pull.
image zip <<'EOF'
................
..FFFFFFFFFFFF..
..FlyyyGkyyyyF..
..FlyyykGyyyyF..
..FlyyyGkyyyyF..
..FlyyykGyyyyF..
..FlyyyGkyyyyF..
..FlyyykGyyyyF..
..FlyyyGkyyyyF..
..FlyykkkkyyyF..
..FlyykGGkyyyF..
..FlyykGGkyyyF..
..FlyykkkkyyyF..
..FYYYYYYYYYYF..
..FFFFFFFFFFFF..
................
EOF

# 10, mail box: a closed blue envelope, its flap lighter.
image dbx <<'EOF'
................
................
................
BBBBBBBBBBBBBBBB
BBCCCCCCCCCCCCBB
BcBCCCCCCCCCCBcB
BccBCCCCCCCCBccB
BcccBCCCCCCBcccB
BccccBCCCCBccccB
BcccccBBBBcccccB
BccccccccccccccB
BccccccccccccccB
BccccccccccccccB
BBBBBBBBBBBBBBBB
................
................
EOF

# 11, mail store: an open yellow envelope, its flap up, drawn in blue.
image pst <<'EOF'
................
.......BB.......
......BllB......
.....BllllB.....
....BllllllB....
...BllllllllB...
..BllllllllllB..
.BllllllllllllB.
BBBBBBBBBBBBBBBB
ByyyyyyyyyyyyyyB
ByyyyyyBByyyyyyB
ByyyyyBllByyyyyB
ByyyyBllllByyyyB
ByyyBllllllByyyB
BBBBBBBBBBBBBBBB
................
EOF

# 12, layered picture: a blue tile with two light layers over each other.
image psd <<'EOF'
................
.BBBBBBBBBBBBBB.
.BbbbbbbbbbbbbB.
.BbcccccccbbbbB.
.BbcccccccbbbbB.
.BbcccccccbbbbB.
.BbcccBBBBBBBbB.
.BbcccBCCCCCBbB.
.BbcccBCCCCCBbB.
.BbcccBCCCCCBbB.
.BbbbbBCCCCCBbB.
.BbbbbBCCCCCBbB.
.BbbbbBBBBBBBbB.
.BbbbbbbbbbbbbB.
.BBBBBBBBBBBBBB.
................
EOF

# 13, illustration: an orange tile with a white pen nib.
image ai <<'EOF'
................
.OOOOOOOOOOOOOO.
.OooooooooooooO.
.OoooSSSSSSSooO.
.OoooSwwwwwSooO.
.OoooSwwwwwSooO.
.OoooSwwSwwSooO.
.OooooSwSwSoooO.
.OooooSwSwSoooO.
.OoooooSSSooooO.
.OooooooSoooooO.
.OooooooSoooooO.
.OooooooooooooO.
.OooooooooooooO.
.OOOOOOOOOOOOOO.
................
EOF

# 14, vector drawing: a green tile with a white curve.
image cdr <<'EOF'
................
.NNNNNNNNNNNNNN.
.NnnnnnnnnnnnnN.
.NnnnnnnwwwwnnN.
.NnnnnnwnnnnwnN.
.NnnnnnwnnnnnnN.
.NnnnnnnwwnnnnN.
.NnnnnnnnnwwnnN.
.NnnnnnnnnnnwnN.
.NnnnnnnnnnnwnN.
.NnnwnnnnnnnwnN.
.NnnnwwwwwwwnnN.
.NnnnnnnnnnnnnN.
.NnnnnnnnnnnnnN.
.NNNNNNNNNNNNNN.
................
EOF

# 15, drafting: a white sheet with a red compass over a ruler.
image dwg <<'EOF'
................
.kkkkkkkkkkkkkk.
.kwwwwwRRwwwwwk.
.kwwwwRrrRwwwwk.
.kwwwwwRRwwwwwk.
.kwwwwRwwRwwwwk.
.kwwwwRwwRwwwwk.
.kwwwRwwwwRwwwk.
.kwwwRwwwwRwwwk.
.kwwRwwwwwwRwwk.
.kwwRwwwwwwRwwk.
.kwKwwwwwwwwgwk.
.kwgwgwgwgwgwgk.
.kwggggggggggwk.
.kkkkkkkkkkkkkk.
................
EOF

# 16, house plan: the blue outline of a house with its door and window.
image pla <<'EOF'
................
.......BB.......
......BCCB......
.....BCCCCB.....
....BCCCCCCB....
...BCCCCCCCCB...
..BCCCCCCCCCCB..
.BBBBBBBBBBBBBB.
..BwwwwwwwwwwB..
..BwBBBwwwwwwB..
..BwBcBwBBBwwB..
..BwBBBwBcBwwB..
..BwwwwwBcBwwB..
..BwwwwwBcBwwB..
..BBBBBBBBBBBB..
................
EOF

# 17, vector drawing: a curve with its three points and the blue handle line of the top one.
image fh9 <<'EOF'
................
................
................
BB....KKKK....BB
BBbbbbKwwKbbbbBB
.....KKKKKK.....
....K......K....
...K........K...
...K........K...
..K..........K..
..K..........K..
.KKK........KKK.
.KwK........KwK.
.KKK........KKK.
................
................
EOF

# 18, locked disk: a grey diskette with a gold padlock over its corner.
image pgd <<'EOF'
kkkkkkkkkkkkk...
kggGGGGkkGgggk..
kggGGGGkkGggggk.
kggGGGGkkGggggk.
kggGGGGGGGggggk.
kggggggggggggggk
kgggggggggKKKKk.
kgwwwwwwwKwwwgKk
kgwwwwwwwKwwwgKk
kgwwwwwwwKwwwgKk
kgwwwwwwFFFFFFFF
kgwwwwwwFyyyyyyF
kgggggggFyyKKyyF
kgggggggFyyKKyyF
kkkkkkkkFYYYYYYF
........FFFFFFFF
EOF

# 19, small picture: a framed blue sky with the sun.
image gif <<'EOF'
................
................
.kkkkkkkkkkkkkk.
.kccccoccccccck.
.kcocccccocccck.
.kcccyyycccccck.
.kccyyyyyccccck.
.kocyyyyycoccck.
.kccyyyyyccccck.
.kcccyyycccwcck.
.kcocccccowwwck.
.kccccoccccccck.
.kcccccccccccck.
.kkkkkkkkkkkkkk.
................
................
EOF

# 20, picture: a framed landscape of green hills under a pale sky.
image tif <<'EOF'
................
................
.kkkkkkkkkkkkkk.
.kCCCCCCCCCCCCk.
.kCCwwwCCCCCCCk.
.kCwwwwwCCCCCCk.
.kCCCCCCCNNNCCk.
.kCCCCCCNvvvNCk.
.kCNNNCNvvvvvNk.
.kNnnnNvvvvvvvk.
.knnnnnNvvvvvvk.
.knnnnnnNNvvvvk.
.knnnnnnnnNNvvk.
.kkkkkkkkkkkkkk.
................
................
EOF

# 21, photo: a print with a white border, a snow-capped mountain over a green valley.
image jpg <<'EOF'
................
kkkkkkkkkkkkkkkk
kwwwwwwwwwwwwwwk
kwccccccccccccwk
kwcccccwccccccwk
kwccccwwwcccccwk
kwcccGwGwgccccwk
kwccGGGgggggccwk
kwcGGGgggggggcwk
kwGGGgggggggggwk
kwvvvvvvvvvvvvwk
kwnnnnnnnnnnnnwk
kwwwwwwwwwwwwwwk
kwwwwwwwwwwwwwwk
kkkkkkkkkkkkkkkk
................
EOF

# 22, film: a dark strip with sprocket holes and two frames.
image avi <<'EOF'
..KKKKKKKKKKKK..
..KwKccccccKwK..
..KKKccccccKKK..
..KwKccccccKwK..
..KKKnnnnnnKKK..
..KwKnnnnnnKwK..
..KKKKKKKKKKKK..
..KwKKKKKKKKwK..
..KKKccccccKKK..
..KwKccccccKwK..
..KKKccccccKKK..
..KwKnnnnnnKwK..
..KKKnnnnnnKKK..
..KwKKKKKKKKwK..
..KKKKKKKKKKKK..
................
EOF

# 23, music: two beamed notes.
image mp3 <<'EOF'
................
................
......BBBBBBBB..
......BBBBBBBB..
......B......B..
......B......B..
......B......B..
......B......B..
......B......B..
......B......B..
......B......B..
....BBB....BBB..
...BbBB...BbBB..
...BBB....BBB...
................
................
EOF

# 24, sound: a grey loudspeaker sending out blue waves.
image waw <<'EOF'
................
................
.......K........
......KK........
.....KGK...b....
.KKKKGGK....b...
.KgggGGK.b...b..
.KgggGGK..b..b..
.KgggGGK..b..b..
.KgggGGK.b...b..
.KKKKGGK....b...
.....KGK...b....
......KK........
.......K........
................
................
EOF

# 25, raw photo: a dark camera with its blue lens.
image nef <<'EOF'
................
................
................
.....KKKKKK.....
.KK.KkkkkkkK....
KKKKKkkkkkkKKKKK
KkkkkkkgggkkkGGK
KkkkkkgBBBgkkkkK
KkkkkgBcBBBgkkkK
KkkkkgBBBBBgkkkK
KkkkkgBBBBbgkkkK
KkkkkkgBBBgkkkkK
KkkkkkkgggkkkkkK
KKKKKKKKKKKKKKKK
................
................
EOF

strip tree_icons.bmp folder open-folder
strip list_check_states.bmp check-empty check-marked
strip file_type_icons.bmp page folder doc rtf xls mdb ppt arj rar zip dbx pst psd ai cdr dwg pla \
  fh9 pgd gif tif jpg avi mp3 waw nef
