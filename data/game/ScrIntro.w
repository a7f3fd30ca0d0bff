TOBT

World
; The title screen. The whole screen is one button: a tap, the A button (Z)
; or Return (start) goes on to the menu (command 121).
name	ScrIntro
objs	1 2 3
bKeysMoveFocus	1

Sprite
name	sprIntro
file	Graphics/Intro.tga

CtlButton
; No focus outline: the picture is the button.
name	btnIntro
sprite	1
idCtl	121
shortcutKey	10
colFocus	-1
b3Dlook	0

CtlStatic
name	hint
text	Tap or press Return
x	0
y	290
width	240
height	20
col	242 242 242
