TOBT

World
name	Main
objs	1 2 3 4

OffscreenSurface
name	sfMain

World
name	Gallery
objs	1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20
bKeysMoveFocus	1

Sprite
name	sprSans
file	Graphics/Sans12.tga
keycolor	0 0 0

CtlFont
name	fontSans
sprite	1
nCharWidth	13
nCharHeight	15
nHSpacing	1
nVSpacing	0
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
name	sprButton
file	button.tga
regularFrames	1 2

CtlStatic
name	bg
width	240
height	320
colBkg	32 48 60

CtlStatic
name	title
font	2
text	Controls gallery
textAlign	1
col	240 240 240
x	6
y	4
width	160
height	18

CtlTimer
name	timer
object	0
bHours	0
textAlign	2
col	240 180 60
x	170
y	6
width	64
height	14

CtlButton
name	btnOk
font	2
text	OK
col	240 240 240
colBkg	70 96 120
colFocus	240 180 60
colPressed	255 255 255
x	6
y	28
width	60
height	30
idCtl	101

CtlButton
name	btnSprite
sprite	3
text	Go
col	32 48 60
colFocus	240 180 60
colPressed	255 255 255
x	72
y	27
idCtl	102

CtlCheckbox
name	chkSound
text	Sound
col	240 240 240
colBkg	70 96 120
colFocus	240 180 60
x	144
y	32
height	22
idCtl	103

CtlList
name	lstLevel
objs	1 2 3
x	6
y	66
colBkg	24 36 46
colItem	240 240 240
colFocus	240 180 60
colSelected	255 100 100
current	0

CtlRadioButton
name	radEasy
text	Easy
height	16
state	1
idCtl	111

CtlRadioButton
name	radMedium
text	Medium
height	16
idCtl	112

CtlRadioButton
name	radHard
text	Hard
height	16
idCtl	113

CtlEditBox
name	edName
text	Tilvo     
col	32 48 60
colBkg	240 240 240
colFocus	200 80 0
x	116
y	64
width	118
height	24
idCtl	104

CtlStatic
name	sldFill
colBkg	240 180 60
x	116
y	96
width	118
height	14

CtlScrollbar2
name	sldVolume
horiz	1
total	100
colBkg	70 96 120
colFocus	255 255 255
x	116
y	96
width	118
height	14
idCtl	123

CtlStatic
name	sldLabel
text	Volume
col	240 240 240
textAlign	1
x	116
y	112
width	118
height	16

CtlScrollbar1
name	sbHoriz
horiz	1
total	10
col	240 240 240
colBkg	70 96 120
colFocus	240 180 60
colPressed	255 255 255
x	6
y	134
width	228
height	11
idCtl	121

CtlFileList
name	lstFiles
showExt	1
x	6
y	152
width	100
height	96
colBkg	24 36 46
colItem	240 240 240
colFocus	240 180 60
colSelected	255 100 100
vScroll	17

CtlScrollbar1
name	sbVert
total	10
col	240 240 240
colBkg	70 96 120
colFocus	240 180 60
colPressed	255 255 255
x	108
y	152
width	11
height	96
idCtl	122

CtlWindow
name	winInner
title	Window
world	19
x	128
y	172
vp	0 0 104 76
colBkg	24 36 46
tabstop	1

World
name	Inner
objs	1 2
visible	0

CtlStatic
name	innerText
text	Inner World
col	240 240 240
x	4
y	4
width	96
height	16
textAlign	1

CtlButton
name	btnInner
text	Hi
col	240 240 240
colBkg	70 96 120
colFocus	240 180 60
x	8
y	28
width	44
height	26
idCtl	131

CtlStatic
name	hint
text	Arrows: focus   Z, Return: press
col	190 200 210
textAlign	0
x	0
y	262
width	240
height	16

WorldViewport
name	vpMain
sf	1
world	2

ScreenViewport
name	svMain
sf	1
