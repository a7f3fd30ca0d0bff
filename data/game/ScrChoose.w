TOBT

World
; The picture chooser. Members 3, 4, 5 are the three built-in pictures
; (commands 142..144); members 6..11 the six pictures of the chosen pack
; (145..150), shown only when the pack holds their thumbnails; the scroll bar
; steps through the packs (140); Back returns to the menu (141). The game sets
; the thumbnails (60 x 60) into the buttons. Focus order: built-in pictures,
; pack pictures, scroll bar, Back.
name	ScrChoose
objs	1 2 3 4 5 6 7 8 9 10 11 12 13 14
bKeysMoveFocus	1

CtlStatic
name	background
width	240
height	320
colBkg	30 34 51

CtlStatic
name	heading
text	Choose a picture
x	0
y	4
width	240
height	20
col	255 212 112

CtlStatic
; The pack's title; the length of this text is the most it may show.
name	packtitle
text	XXXXXXXXXXXXXXXXXXXXXXXXXXXX
x	0
y	94
width	240
height	16
col	242 242 242

CtlButton
name	builtin0
x	15
y	28
idCtl	142
b3Dlook	0
colFocus	255 212 112

CtlButton
name	builtin1
x	90
y	28
idCtl	143
b3Dlook	0
colFocus	255 212 112

CtlButton
name	builtin2
x	165
y	28
idCtl	144
b3Dlook	0
colFocus	255 212 112

CtlButton
name	pack0
x	15
y	114
idCtl	145
b3Dlook	0
colFocus	255 212 112
visible	0

CtlButton
name	pack1
x	90
y	114
idCtl	146
b3Dlook	0
colFocus	255 212 112
visible	0

CtlButton
name	pack2
x	165
y	114
idCtl	147
b3Dlook	0
colFocus	255 212 112
visible	0

CtlButton
name	pack3
x	15
y	180
idCtl	148
b3Dlook	0
colFocus	255 212 112
visible	0

CtlButton
name	pack4
x	90
y	180
idCtl	149
b3Dlook	0
colFocus	255 212 112
visible	0

CtlButton
name	pack5
x	165
y	180
idCtl	150
b3Dlook	0
colFocus	255 212 112
visible	0

CtlScrollbar1
; Steps through the packs; its total is set by the game.
name	packbar
x	15
y	248
width	210
height	24
horiz	1
total	0
idCtl	140
col	242 242 242
colBkg	43 52 74
colFocus	255 212 112
colPressed	255 255 255

CtlButton
name	btnBack
text	Back
x	70
y	282
width	100
height	32
idCtl	141
col	242 242 242
colBkg	74 90 128
colFocus	255 212 112
colPressed	255 255 255
