TOBT

World
; The goodbye screen. Member 0 is the picture, member 1 the button over it:
; its first press shows one of four adverts (command 122, after which the
; game raises the button's command to 123), its second press quits.
name	ScrOutro
objs	1 2 3
bKeysMoveFocus	1

Sprite
name	sprOutro
file	Graphics/Outro.tga

CtlButton
name	btnOutro
sprite	1
idCtl	122
shortcutKey	10
colFocus	-1
b3Dlook	0

CtlStatic
name	hint
text	Tap or press Return
x	0
y	300
width	240
height	16
col	242 242 242
