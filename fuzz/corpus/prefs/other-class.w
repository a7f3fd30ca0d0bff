TOBT

World
name	Other
objs	1

Actor
name	a

