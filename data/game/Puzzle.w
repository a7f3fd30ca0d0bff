TOBT

Puzzle
; The board: 4 x 4 nodes 60 pixels apart, inside the viewport vpPuzzle.
; Node k (id k + 1) sits at column k mod 4, row k div 4 and is the home of
; slice k; its links are its neighbours above, below, left and right. The
; node of slice 15 (bottom right) starts empty.
name	Puzzle
objs	1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16
nSliceWidth	4
nSliceHeight	4

Node
name	n0
x	0
y	0
state	0
links	5 2

Node
name	n1
x	60
y	0
state	1
links	6 1 3

Node
name	n2
x	120
y	0
state	2
links	7 2 4

Node
name	n3
x	180
y	0
state	3
links	8 3

Node
name	n4
x	0
y	60
state	4
links	1 9 6

Node
name	n5
x	60
y	60
state	5
links	2 10 5 7

Node
name	n6
x	120
y	60
state	6
links	3 11 6 8

Node
name	n7
x	180
y	60
state	7
links	4 12 7

Node
name	n8
x	0
y	120
state	8
links	5 13 10

Node
name	n9
x	60
y	120
state	9
links	6 14 9 11

Node
name	n10
x	120
y	120
state	10
links	7 15 10 12

Node
name	n11
x	180
y	120
state	11
links	8 16 11

Node
name	n12
x	0
y	180
state	12
links	9 14

Node
name	n13
x	60
y	180
state	13
links	10 13 15

Node
name	n14
x	120
y	180
state	14
links	11 14 16

Node
name	n15
x	180
y	180
state	15
links	12 15
