#!/usr/bin/env bash
# Draws the program's own bitmaps (toolbar fallbacks, icon, background, centre
# picture) with ImageMagick. The PNGs are committed; run this only to redraw them.
set -euo pipefail
cd "$(dirname "$0")/shell"
FONT=DejaVu-Sans-Bold

# Application icon (1ICON_1): a blue rounded square with an R.
convert -size 64x64 xc:none -fill '#1f4e79' -draw 'roundrectangle 2,2 61,61 12,12' \
  -fill white -font $FONT -pointsize 44 -gravity center -annotate +0+1 'R' 1ICON_1.png

# Worker (funcionario): head and shoulders.
convert -size 48x48 xc:none -fill '#2e75b6' -draw 'circle 24,15 24,5' \
  -draw 'ellipse 24,46 17,17 180,360' funcionario.png

# Pay slip (liqui): a sheet with lines and a peso sign.
convert -size 48x48 xc:none -fill white -stroke '#555555' -strokewidth 2 -draw 'rectangle 9,3 39,45' \
  -stroke '#9aa9b8' -strokewidth 2 -draw 'line 14,12 34,12' -draw 'line 14,18 34,18' -draw 'line 14,24 26,24' \
  -stroke none -fill '#2e8b57' -font $FONT -pointsize 18 -annotate +22+42 '$' liqui.png

# History (historial): bars by month with the net pay's line over them.
convert -size 48x48 xc:none -fill '#7fa7d6' -draw 'rectangle 6,26 13,44' -draw 'rectangle 17,18 24,44' \
  -draw 'rectangle 28,22 35,44' -draw 'rectangle 39,12 46,44' -stroke '#c8581e' -strokewidth 3 -fill none \
  -draw 'polyline 9,22 20,12 31,17 43,6' historial.png

# Keys (llaves): ring and bit.
convert -size 48x48 xc:none -stroke '#b8860b' -strokewidth 5 -fill none -draw 'circle 15,16 15,7' \
  -draw 'line 21,22 40,41' -draw 'line 33,34 38,29' -draw 'line 37,38 42,33' llaves.png

# Exit (salir): a door and an arrow.
convert -size 48x48 xc:none -fill '#8b4513' -draw 'rectangle 6,4 26,44' -fill '#f0c060' -draw 'circle 21,25 21,23' \
  -stroke '#c00000' -strokewidth 5 -draw 'line 28,24 42,24' -fill '#c00000' -stroke none \
  -draw 'polygon 44,24 34,14 34,34' salir.png

# Accept (aceptar2): a green circle with a check mark.
convert -size 48x48 xc:none -fill '#2e8b57' -draw 'circle 24,24 24,3' -stroke white -strokewidth 6 -fill none \
  -draw 'polyline 13,25 21,33 35,16' aceptar2.png

# Background tile (FONDO_TAPIZ): a quiet diagonal pattern.
convert -size 48x48 xc:'#e9eef4' -stroke '#dde5ee' -strokewidth 2 -draw 'line 0,48 48,0' -draw 'line -24,24 24,-24' \
  -draw 'line 24,72 72,24' fondo_tapiz.png

# Centre picture (s_remu_trabajador): 212 x 132 banner.
convert -size 212x132 gradient:'#2e75b6'-'#1f4e79' -fill none -stroke '#ffffff60' -strokewidth 2 \
  -draw 'roundrectangle 5,5 206,126 10,10' -stroke none -fill white -font $FONT -pointsize 17 \
  -gravity north -annotate +0+28 'REMUNERACIONES' -font DejaVu-Sans -pointsize 13 \
  -annotate +0+58 'Consulta del trabajador' -fill '#f0c060' -pointsize 11 -annotate +0+92 'Liquidación de sueldo' \
  s_remu_trabajador.png
