TOBT

World
; The main menu: five buttons stacked in the middle of the screen, 160 x 34
; pixels each with 8 pixels between them. Keys move the focus top to bottom;
; the A button (Z) or the pen presses.
; Colours used on every screen: background 30 34 51, panel 43 52 74, button
; face 74 90 128, text 242 242 242, quiet text 170 180 200, focus 255 212 112.
name	ScrMain
objs	1 2 3 4 5 6 7 8 9
bKeysMoveFocus	1

CtlStatic
name	background
width	240
height	320
colBkg	30 34 51

CtlStatic
name	title
text	Tilvo-1
x	0
y	30
width	240
height	24
col	255 212 112

CtlStatic
; The subtitle takes two centred lines: in one it is wider than the screen.
name	subtitle
text	Slide the pieces until
x	0
y	56
width	240
height	16
col	170 180 200

CtlStatic
name	subtitle2
text	the picture is whole
x	0
y	72
width	240
height	16
col	170 180 200

CtlButton
name	btnNew
text	New game
x	40
y	96
width	160
height	34
idCtl	131
col	242 242 242
colBkg	74 90 128
colFocus	255 212 112
colPressed	255 255 255

CtlButton
; Continue the game left unfinished when the program last ended.
name	btnContinue
text	Continue
x	40
y	138
width	160
height	34
idCtl	132
col	242 242 242
colBkg	74 90 128
colFocus	255 212 112
colPressed	255 255 255

CtlButton
name	btnChoose
text	Choose a picture
x	40
y	180
width	160
height	34
idCtl	133
col	242 242 242
colBkg	74 90 128
colFocus	255 212 112
colPressed	255 255 255

CtlButton
; Opens the game's own documentation in the desktop's browser.
name	btnHelp
text	How to play
x	40
y	222
width	160
height	34
idCtl	151
col	242 242 242
colBkg	74 90 128
colFocus	255 212 112
colPressed	255 255 255

CtlButton
; Leaves through the goodbye screen (command 134).
name	btnQuit
text	Quit
x	40
y	264
width	160
height	34
idCtl	134
col	242 242 242
colBkg	74 90 128
colFocus	255 212 112
colPressed	255 255 255
