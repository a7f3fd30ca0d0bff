TOBT

World
name	Main
objs	1 2 3 4

OffscreenSurface
name	sfMain

World
name	Screen
objs	1 2 3 4 5 6 7 8 9 10
bKeysMoveFocus	1

Sprite
name	sprBg
file	bg.tga

Sprite
name	sprBall
file	ball.tga
keycolor	-2
xPivot	0.5
yPivot	0.5

Sprite
name	sprButton
file	button.tga
regularFrames	1 2

Actor
name	actBg
sprite	1

Actor
name	actBall
sprite	2
x	40
y	140

KeyControl
name	ballMover
objs	5
prop	x
type	2
interp	1
ort	2
keys	0 40 2000 200

KeyControl
name	ballSpin
objs	5
prop	angle
type	2
interp	1
ort	1
keys	0 0 3000 360

Actor
name	actButton
sprite	3
frame	0
x	%500%500
y	%500%880
tabstop	1
shortcutKey	5
InKeyRelease	Actor_PlayTap

World
name	Inner
objs	1 2 3
visible	0

Sprite
name	sprStar
file	star.tga
keycolor	-2
regularFrames	4 1
xPivot	0.5
yPivot	0.5

Actor
name	actStar
sprite	1
frame	0
x	30
y	30
alpha	160

KeyControl
name	starFrames
objs	2
prop	frame
type	2
interp	0
ort	1
keys	0 0 150 1 300 2 450 3 600 0

WorldViewport
name	vpInner
world	9
x	20
y	200
vp	0 0 200 60

WorldViewport
name	vpMain
sf	1
world	2

ScreenViewport
name	svMain
sf	1

