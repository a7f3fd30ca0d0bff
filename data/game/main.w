TOBT

World
; Tilvo-1's top-level World. The screen is drawn into the off-screen surface
; sfMain; the WorldViewport vpMain shows one screen World at a time (the game
; sets its world), and the ScreenViewport svMain presents sfMain.
name	Main
objs	1 2 3 4 5

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
