TOBT

World
; Asked when the player leaves an unfinished game: Play on (102, first in
; focus) or Leave (101, the board is given up).
name	MsgBox
objs	1 2 3 4 5 6
bKeysMoveFocus	1

CtlStatic
name	background
width	240
height	320
colBkg	30 34 51

CtlStatic
name	box
x	16
y	100
width	208
height	116
colBkg	43 52 74

CtlStatic
name	question
text	Leave this game?
x	16
y	114
width	208
height	18
col	255 212 112

CtlStatic
name	detail
text	The board will be given up.
x	16
y	136
width	208
height	16
col	242 242 242

CtlButton
name	btnStay
text	Play on
x	30
y	168
width	84
height	34
idCtl	102
col	242 242 242
colBkg	74 90 128
colFocus	255 212 112
colPressed	255 255 255

CtlButton
name	btnLeave
text	Leave
x	126
y	168
width	84
height	34
idCtl	101
col	242 242 242
colBkg	74 90 128
colFocus	255 212 112
colPressed	255 255 255
