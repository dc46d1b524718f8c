Emitter SizeOverLife 3 5 0.9 6 0.1 7 0.5 PartColor 2 1 1 1 1 0.7 0 0 0 0 0.2 PartLifeTime 0.5
