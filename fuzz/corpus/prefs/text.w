TOBT

Prefs
movetime	150
currentPack	Packs/Scenes.zip
currentImage	2
savedPos	0 1 2 3 4 5 6 7 8 9 10 11 12 13 -1 14
savedTime	4200
volume	70
mute	1
besttime	99000

