TOBT

World
; The game screen: an 80-pixel panel on top (preview, time, best time, volume,
; Menu and Mute), the 240 x 240 board below it. The direction keys slide the
; pieces at once: the board has the focus when the screen is shown. X and C
; (B and C buttons) move the focus over the panel's controls and back to the
; board; Return asks to leave (Menu), V mutes, Escape quits and keeps the game.
; The help block at the end: Hint (E button, or B or H), Undo (U), Auto (S)
; and the two counters.
name	ScrGame
objs	1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17
bKeysMoveFocus	1

CtlStatic
; Fills the whole screen, so the empty node shows the panel's colour and not
; what an earlier screen left in the drawing surface.
name	panel
width	240
height	320
colBkg	43 52 74

World
; The board's surroundings; the game finds its members by name.
name	PuzzleUI
objs	1 2 3 4 5 6 7
tabstop	1

CtlStatic
; The picture's thumbnail, set by the game.
name	preview
x	4
y	4

CtlStatic
name	lblTime
font	Main:fntSmall
text	Time
x	70
y	2
width	34
height	14
col	170 180 200
textAlign	1

CtlTimer
; Counts from the board's start; text room for the longest time.
name	timerGame
font	Main:fntSmall
text	00000:00:00
x	104
y	2
width	64
height	14
col	242 242 242
textAlign	1
bHours	0

CtlStatic
name	lblBest
font	Main:fntSmall
text	Best
x	70
y	15
width	34
height	14
col	170 180 200
textAlign	1

CtlTimer
; The best time, set by the game when a board is built.
name	timerBest
font	Main:fntSmall
text	00000:00:00
x	104
y	15
width	64
height	14
col	242 242 242
textAlign	1
bHours	0

WorldViewport
; Shows the board; the game sets its world.
name	vpPuzzle
x	0
y	80
vp	0 0 240 240
tabstop	1

CtlButton
; The whole picture when the board is solved; a tap returns to the menu.
name	solvedImage
x	0
y	80
visible	0
tabstop	0
idCtl	114
b3Dlook	0
colFocus	-1

CtlButton
name	btnMenu
font	Main:fntSmall
text	Menu
x	176
y	56
width	62
height	22
idCtl	114
shortcutKey	10
col	242 242 242
colBkg	74 90 128
colFocus	255 212 112
colPressed	255 255 255

Sprite
name	sprVolume
file	Graphics/Volume.tga

CtlStatic
; The volume slider's face; the slider covers the part above the level.
name	volumeFace
sprite	4
x	70
y	56

CtlScrollbar2
name	volume
x	70
y	56
width	96
height	24
horiz	1
total	100
idCtl	115
colBkg	43 52 74
colFocus	255 212 112

CtlButton2State
; Pressed in: muted.
name	btnMute
font	Main:fntSmall
text	Mute
x	208
y	30
width	30
height	22
idCtl	116
shortcutKey	8
col	242 242 242
colBkg	74 90 128
colFocus	255 212 112
colPressed	255 212 112

Sprite
name	sprBattery
file	Graphics/Battery.tga
regularFrames	5 1
keycolor	255 0 255

CtlStatic
; Five frames, empty to full; the game picks the frame by the charge.
name	battery
sprite	8
frame	4
x	152
y	10

CtlStatic
; Frames per second, written by the game.
name	fps
font	Main:fntSmall
text	0.00
x	4
y	66
width	60
height	12
col	170 180 200
textAlign	1

CtlButton
; Escape quits from the game screen; the position is kept for Continue.
name	btnQuitKey
x	-40
y	-40
tabstop	0
idCtl	113
shortcutKey	16411
b3Dlook	0
colFocus	-1

CtlButton
; ---- Help: hint, undo, auto-solve and the counters (the game writes the counters).
; A first press shows the piece the shortest solution moves next, a second moves it.
name	btnHint
font	Main:fntSmall
text	Hint
x	176
y	4
width	30
height	22
idCtl	161
shortcutKey	9
col	242 242 242
colBkg	74 90 128
colFocus	255 212 112
colPressed	255 255 255

CtlButton
; Takes back the last move, back to the start of the board.
name	btnUndo
font	Main:fntSmall
text	Undo
x	208
y	4
width	30
height	22
idCtl	162
shortcutKey	16469
col	242 242 242
colBkg	74 90 128
colFocus	255 212 112
colPressed	255 255 255

CtlButton
; Plays the rest of the shortest solution; pressed again, stops.
name	btnAuto
font	Main:fntSmall
text	Auto
x	176
y	30
width	30
height	22
idCtl	163
shortcutKey	16467
col	242 242 242
colBkg	74 90 128
colFocus	255 212 112
colPressed	255 255 255

CtlStatic
; Moves made since the board appeared.
name	moveCount
font	Main:fntSmall
text	Moves 0
x	70
y	28
width	98
height	14
col	242 242 242
textAlign	1

CtlStatic
; Moves left by the shortest solution, or "thinking" while it is searched.
name	movesLeft
font	Main:fntSmall
text	thinking
x	70
y	41
width	98
height	14
col	242 242 242
textAlign	1

CtlButton
; H is the hint's second key.
name	btnHintKey
x	-40
y	-40
tabstop	0
idCtl	161
shortcutKey	16456
b3Dlook	0
colFocus	-1
