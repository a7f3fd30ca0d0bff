TOBT

World
; Tilvo-1's top-level World. The screen is drawn into the off-screen surface
; sfMain; the WorldViewport vpMain shows one screen World at a time (the game
; sets its world), and the ScreenViewport svMain presents sfMain. The two
; fonts and their sheets are members too: the loader reads exactly the members
; this list names, and the screens refer to the fonts as Main:fntSans and
; Main:fntSmall, which resolve only among Main's members.
name	Main
objs	1 2 3 4 5 6 7 8 9

OffscreenSurface
; The 240 x 320 drawing surface in the screen's format.
name	sfMain

Actor
; The piece mover's first target until a move names the sliding piece.
name	moverTarget
visible	0

KeyControl
; Slides one piece: the game overwrites the target, the property (x or y)
; and both keys for every move. Constant loop type: it stops itself after the
; last key. Smooth interpolation eases the slide in and out.
name	PieceMover
objs	2
prop	x
type	2
interp	2
ort	0
keys	0 0 100 0
active	0

WorldViewport
; The screen shown; key events go here first.
name	vpMain
sf	1
vp	0 0 240 320

ScreenViewport
name	svMain
sf	1

Sprite
; DejaVu Sans at 12 pixels, anti-aliased (rendered by the build).
name	sprSans
file	Graphics/Sans12.tga
keycolor	0

CtlFont
name	fntSans
sprite	6
nCharWidth	13
nCharHeight	15
nHSpacing	1
bVariableSpacing	1
bBlend	1
nXSrcSpacing	1
nYSrcSpacing	1
nXSrcOffs	1
nYSrcOffs	1
nXSrcChars	16
nYSrcChars	14
nFirstChar	32

Sprite
; The 7 x 14 fixed font, for numbers that must not jump about.
name	sprSmall
file	Graphics/SysFont7x14.tga
keycolor	0

CtlFont
name	fntSmall
sprite	8
nCharWidth	7
nCharHeight	14
bVariableSpacing	0
bBlend	0
nXSrcSpacing	1
nYSrcSpacing	1
nXSrcOffs	1
nYSrcOffs	1
nXSrcChars	14
nYSrcChars	16
nFirstChar	32
